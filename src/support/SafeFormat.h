// Fills format texts that come from files (language texts) without ever passing them to printf.
#pragma once

#include <QString>

#include <initializer_list>
#include <variant>
#include <vector>

namespace wl {

using TFormatArg = std::variant<QString, long long>;

// Replaces "%s" by a text argument and "%d" by an integer argument, in order; "%%" is a literal "%". Raises
// EFormatError with a clear message for any other "%" sequence, a placeholder whose argument has the other type,
// or a number of placeholders different from the number of arguments.
QString SafeFormat(const QString& format, std::initializer_list<TFormatArg> args);
QString SafeFormat(const QString& format, const std::vector<TFormatArg>& args);

} // namespace wl
