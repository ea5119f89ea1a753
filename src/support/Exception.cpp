// The error classes: message storage, the raise address and the context prefix.
#include "support/Exception.h"

namespace wl {

// noinline so that the return address is the code that constructed the error, not a caller further out.
__attribute__((noinline)) Exception::Exception(const QString& message)
    : FMessage(message), FUtf8(message.toStdString()), FAddress(__builtin_return_address(0)) {}

__attribute__((noinline)) Exception::Exception(const char* message)
    : FMessage(QString::fromUtf8(message != nullptr ? message : "")), FUtf8(FMessage.toStdString()),
      FAddress(__builtin_return_address(0)) {}

__attribute__((noinline)) Exception::Exception(const std::string& message)
    : FMessage(QString::fromStdString(message)), FUtf8(FMessage.toStdString()), FAddress(__builtin_return_address(0)) {}

void Exception::SetMessage(const QString& message) {
    FMessage = message;
    FUtf8 = message.toStdString();
}

void PrefixExceptionMessage(Exception& e, const QString& context) {
    e.SetMessage(context + QStringLiteral("\r\n") + e.Message());
}

} // namespace wl
