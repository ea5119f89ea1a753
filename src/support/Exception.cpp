// The error classes: message storage, the raise address and the context prefix.
#include "support/Exception.h"

#include "support/StackTrace.h"
#include "support/TextSource.h"

#include <algorithm>
#include <new>

namespace wl {

// noinline so that the return address is the code that constructed the error, not a caller further out.
__attribute__((noinline)) Exception::Exception(const QString& message)
    : FMessage(message), FUtf8(message.toStdString()), FAddress(__builtin_return_address(0)) {
    RecordTrace();
}

__attribute__((noinline)) Exception::Exception(const char* message)
    : FMessage(QString::fromUtf8(message != nullptr ? message : "")), FUtf8(FMessage.toStdString()),
      FAddress(__builtin_return_address(0)) {
    RecordTrace();
}

__attribute__((noinline)) Exception::Exception(const std::string& message)
    : FMessage(QString::fromStdString(message)), FUtf8(FMessage.toStdString()), FAddress(__builtin_return_address(0)) {
    RecordTrace();
}

void Exception::RecordTrace() {
    const int count = CaptureReturnAddresses(FTrace.data(), static_cast<int>(FTrace.size()));
    FTraceCount = static_cast<std::size_t>(std::max(count, 0));
    // The frames of this object's construction come first; the trace starts where it was raised.
    const auto end = FTrace.begin() + static_cast<std::ptrdiff_t>(FTraceCount);
    const auto site = std::find(FTrace.begin(), end, FAddress);
    if (site != end) {
        FTraceCount = static_cast<std::size_t>(end - site);
        std::copy(site, end, FTrace.begin());
    }
}

void Exception::SetMessage(const QString& message) {
    FMessage = message;
    FUtf8 = message.toStdString();
}

QString TUserText::Text(const ITextSource* texts) const {
    return MessageText(texts, Key, Format, Args);
}

QString Exception::UserMessage(const ITextSource*) const {
    return FMessage;
}

__attribute__((noinline)) EUserError::EUserError(TUserText text)
    : Exception(SafeFormat(text.Format, text.Args)), FText(std::move(text)) {
    SetRaiseAddress(__builtin_return_address(0));
}

QString EUserError::UserMessage(const ITextSource* texts) const {
    // Without a text of its own (a message put together from others), the message is all there is.
    return FText.Key.isEmpty() ? Message() : FText.Text(texts);
}

__attribute__((noinline)) ELimitError::ELimitError(TUserText text)
    : ERangeError(SafeFormat(text.Format, text.Args)), FText(std::move(text)) {
    SetRaiseAddress(__builtin_return_address(0));
}

void PrefixExceptionMessage(Exception& e, const QString& context) {
    e.SetMessage(context + QStringLiteral("\r\n") + e.Message());
}

bool IsUserError(const std::exception_ptr& error) noexcept {
    if (!error)
        return false;
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.IsUserError();
    } catch (...) {
        return false;
    }
}

bool IsOutOfMemory(const std::exception_ptr& error) noexcept {
    if (!error)
        return false;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return true;
    } catch (...) {
        return false;
    }
}

Exception FaultOf(const std::exception_ptr& error) {
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e;
    } catch (const std::exception& e) {
        return Exception(e.what());
    } catch (...) {
    }
    return Exception("Unknown error.");
}

QString ExceptionText(const std::exception_ptr& error, const ITextSource* texts) {
    if (!error)
        return QStringLiteral("Unknown error.");
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        const QString text = e.UserMessage(texts);
        return text.isEmpty() ? QStringLiteral("Unknown error.") : text;
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error.");
    }
}

} // namespace wl
