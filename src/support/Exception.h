// The error classes: every failure in Wagerlens is one of these, carrying a message and where it was raised.
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <exception>
#include <span>
#include <string>

namespace wl {

class Exception : public std::exception {
public:
    // Records the code address of the caller (the throw site) and the stack there along with the message.
    explicit Exception(const QString& message);
    explicit Exception(const char* message);
    explicit Exception(const std::string& message);

    const QString& Message() const { return FMessage; }
    void SetMessage(const QString& message);
    const void* RaiseAddress() const { return FAddress; }
    // For raising helpers: records their caller instead of the helper itself.
    void SetRaiseAddress(const void* address) { FAddress = address; }
    const char* what() const noexcept override { return FUtf8.c_str(); }
    // Return addresses where it was raised, innermost first, starting at the throw site when it was found.
    std::span<void* const> RaiseTrace() const { return {FTrace.data(), FTraceCount}; }

private:
    void RecordTrace();

    QString FMessage;
    std::string FUtf8;
    const void* FAddress = nullptr;
    // The stack is unwound by the time anyone reports the error, so it is taken here; errors are rare.
    std::array<void*, 96> FTrace{};
    std::size_t FTraceCount = 0;
};

class ERangeError : public Exception {
public:
    using Exception::Exception;
};

class EOverflowError : public Exception {
public:
    using Exception::Exception;
};

class EFileError : public Exception {
public:
    using Exception::Exception;
};

// A format text that does not fit its arguments (see SafeFormat).
class EFormatError : public Exception {
public:
    using Exception::Exception;
};

// Puts a context line in front of the message: context, CR LF, then the old message.
void PrefixExceptionMessage(Exception& e, const QString& context);

} // namespace wl
