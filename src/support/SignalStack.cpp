// Per-thread signal stacks.
#include "support/SignalStack.h"

namespace wl {

namespace {
constexpr std::size_t SignalStackSize = 64 * 1024;
}

TAlternateSignalStack::TAlternateSignalStack() : FStack(std::make_unique<char[]>(SignalStackSize)) {
    stack_t alternate{};
    alternate.ss_sp = FStack.get();
    alternate.ss_size = SignalStackSize;
    FInstalled = sigaltstack(&alternate, &FPrevious) == 0;
}

TAlternateSignalStack::~TAlternateSignalStack() {
    if (!FInstalled)
        return;
    FPrevious.ss_flags &= SS_DISABLE; // none, or disabled as it was
    sigaltstack(&FPrevious, nullptr);
}

} // namespace wl
