// The error classes: message storage, the raise address and the context prefix.
#include "support/Exception.h"

#include "support/StackTrace.h"

#include <algorithm>

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

void PrefixExceptionMessage(Exception& e, const QString& context) {
    e.SetMessage(context + QStringLiteral("\r\n") + e.Message());
}

} // namespace wl
