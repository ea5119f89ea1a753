// A signal stack of the calling thread's own, for the crash handler.
#pragma once

#include <csignal>
#include <memory>

namespace wl {

// The calling thread's own stack for the crash handler while this lives: a stack overflow leaves no room on the
// faulting stack, and signal stacks are per thread. Every thread the program starts makes one first.
class TAlternateSignalStack {
public:
    TAlternateSignalStack();
    ~TAlternateSignalStack();
    TAlternateSignalStack(const TAlternateSignalStack&) = delete;
    TAlternateSignalStack& operator=(const TAlternateSignalStack&) = delete;

private:
    std::unique_ptr<char[]> FStack;
    bool FInstalled = false;
    stack_t FPrevious{}; // put back at the end: a sanitizer frees its own stack when the thread ends
};

} // namespace wl
