// The raising half of the checked indexes and arithmetic, kept out of line so the checks stay small.
#include "support/Checked.h"

namespace wl {

__attribute__((noinline)) void RaiseRangeError(const char* what, long long index, long long low, long long high) {
    ERangeError e(QStringLiteral("Range check error: %1 %2 is outside %3..%4")
                      .arg(QString::fromUtf8(what != nullptr ? what : "index"))
                      .arg(index)
                      .arg(low)
                      .arg(high));
    e.SetRaiseAddress(__builtin_return_address(0));
    throw e;
}

__attribute__((noinline)) void RaiseOverflowError(const char* operation, long long a, long long b) {
    EOverflowError e(QStringLiteral("Integer overflow: %1 %2 %3 does not fit in 32 bits")
                         .arg(a)
                         .arg(QString::fromUtf8(operation != nullptr ? operation : "?"))
                         .arg(b));
    e.SetRaiseAddress(__builtin_return_address(0));
    throw e;
}

} // namespace wl
