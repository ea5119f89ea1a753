// The error classes: every failure in Wagerlens is one of these, carrying a message and where it was raised.
// Two families: a fault of the program (the error report with its trace) and a user's file, input or limit
// (a plain message that says what is wrong and what to do). The class raised decides the family.
#pragma once

#include "support/SafeFormat.h"

#include <QString>

#include <array>
#include <cstddef>
#include <exception>
#include <span>
#include <string>
#include <vector>

namespace wl {

class ITextSource;

// A message in the user's language: key names its "Messages" text, format is the English one, args fill both.
struct TUserText {
    QString Key;
    QString Format;
    std::vector<TFormatArg> Args;
    // The text of texts, or the English one where texts lack the key or it does not fit args (MessageText).
    QString Text(const ITextSource* texts) const;
};

class Exception : public std::exception {
public:
    // Records the code address of the caller (the throw site) and the stack there along with the message.
    explicit Exception(const QString& message);
    explicit Exception(const char* message);
    explicit Exception(const std::string& message);
    virtual ~Exception() = default;
    Exception(const Exception&) = default;
    Exception& operator=(const Exception&) = default;

    // Whether the user can mend the cause (a file, an input, a limit) rather than the program being at fault.
    virtual bool IsUserError() const noexcept { return false; }
    // The message as the user reads it: in the language of texts where the error knows its text.
    virtual QString UserMessage(const ITextSource* texts) const;

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

// The family of the user's files, input and limits.
class EUserError : public Exception {
public:
    using Exception::Exception;
    explicit EUserError(TUserText text);
    bool IsUserError() const noexcept override { return true; }
    QString UserMessage(const ITextSource* texts) const override;

private:
    TUserText FText;
};

// Memory the calculation needs and cannot have: the budget or the machine is the limit, not the program.
class EResourceError : public EUserError {
public:
    using EUserError::EUserError;
};

// A file that cannot be read or written: the message names the file and the reason.
class EFileError : public EUserError {
public:
    using EUserError::EUserError;
};

// A game or system beyond what the program can chart: a balance outside the tracked range, a successor state
// that the system does not have.
class ELimitError : public ERangeError {
public:
    explicit ELimitError(TUserText text);
    bool IsUserError() const noexcept override { return true; }
    QString UserMessage(const ITextSource* texts) const override { return FText.Text(texts); }

private:
    TUserText FText;
};

// A file that was written, but whose folder could not be synced: the save stands.
class EFolderNotSynced : public EFileError {
public:
    using EFileError::EFileError;
};

// A format text that does not fit its arguments (see SafeFormat).
class EFormatError : public Exception {
public:
    using Exception::Exception;
};

// Puts a context line in front of the message: context, CR LF, then the old message.
void PrefixExceptionMessage(Exception& e, const QString& context);

// Whether error belongs to the family of the user's files, input and limits.
bool IsUserError(const std::exception_ptr& error) noexcept;
// Whether error is a failed allocation.
bool IsOutOfMemory(const std::exception_ptr& error) noexcept;
// A copy of error as an Exception, keeping its raise address and trace; other errors become one with their text.
Exception FaultOf(const std::exception_ptr& error);
// The message of any error: an Exception's UserMessage in the language of texts, a std::exception's what(), and
// "Unknown error." for anything else or a null pointer.
QString ExceptionText(const std::exception_ptr& error, const ITextSource* texts);

} // namespace wl
