// Locale-free number formatting and parsing built on std::to_chars and std::from_chars.
#include "support/Numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace wl {

namespace {

// A finite nonzero value as decimal digits (no leading or trailing zeros) times ten to the power of Exponent:
// value = 0.d1d2d3... * 10^(Exponent + 1), i.e. the first digit stands for 10^Exponent.
struct TDecimal {
    bool Negative = false;
    std::string Digits;
    int Exponent = 0;
};

// precision < 0 asks for the shortest digits that read back to the same double.
TDecimal ToDecimal(double value, int precision) {
    std::array<char, 64> buffer{};
    const auto result = precision < 0 ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                                      std::chars_format::scientific)
                                      : std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                                      std::chars_format::scientific, precision);
    const std::string text(buffer.data(), result.ptr);
    TDecimal d;
    size_t i = 0;
    if (text[i] == '-') {
        d.Negative = true;
        ++i;
    }
    const size_t e = text.find('e');
    for (; i < e; ++i) {
        if (text[i] != '.')
            d.Digits.push_back(text[i]);
    }
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), d.Exponent);
    while (d.Digits.size() > 1 && d.Digits.back() == '0')
        d.Digits.pop_back();
    return d;
}

QString NonFinite(double value) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// Fixed-point for exponents -5..14, "dE-x" outside: the shape every file number takes.
QString Layout(const TDecimal& d) {
    std::string out;
    if (d.Negative)
        out.push_back('-');
    if (d.Exponent < -5 || d.Exponent >= 15) {
        out.push_back(d.Digits[0]);
        if (d.Digits.size() > 1) {
            out.push_back('.');
            out.append(d.Digits, 1);
        }
        out.push_back('E');
        out.append(std::to_string(d.Exponent));
    } else if (d.Exponent < 0) {
        out.append("0.");
        out.append(static_cast<size_t>(-d.Exponent - 1), '0');
        out.append(d.Digits);
    } else {
        const size_t intDigits = static_cast<size_t>(d.Exponent) + 1;
        if (d.Digits.size() <= intDigits) {
            out.append(d.Digits);
            out.append(intDigits - d.Digits.size(), '0');
        } else {
            out.append(d.Digits, 0, intDigits);
            out.push_back('.');
            out.append(d.Digits, intDigits);
        }
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString FormatSignificant(double value, int precision) {
    if (!std::isfinite(value))
        return NonFinite(value);
    if (value == 0)
        return QStringLiteral("0");
    return Layout(ToDecimal(value, precision));
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QStringView Trimmed(QStringView text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    return text.mid(b, e - b);
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

QString FormatProbability(double value) {
    return FormatSignificant(value, 14);
}

QString FormatRoundTrip(double value) {
    return FormatSignificant(value, -1);
}

QString FormatFull(double value) {
    return FormatSignificant(value, 16);
}

QString FormatFixed(double value, int decimals) {
    if (!std::isfinite(value))
        return NonFinite(value);
    if (decimals < 0)
        decimals = 0;
    // Round the shortest decimal text, not the binary value, so 0.145 gives 0.15 and 2.5 gives 3 as people expect.
    std::string digits; // integer and fraction digits, the point after intDigits of them
    bool negative = false;
    int intDigits = 1;
    if (value == 0) {
        digits.push_back('0');
    } else {
        const TDecimal d = ToDecimal(value, -1);
        negative = d.Negative;
        if (d.Exponent >= 0) {
            digits = d.Digits;
            intDigits = d.Exponent + 1;
            if (digits.size() < static_cast<size_t>(intDigits))
                digits.append(static_cast<size_t>(intDigits) - digits.size(), '0');
        } else {
            digits.assign(static_cast<size_t>(-d.Exponent), '0');
            digits.append(d.Digits);
        }
    }
    const size_t keep = static_cast<size_t>(intDigits + decimals);
    if (digits.size() < keep) {
        digits.append(keep - digits.size(), '0');
    } else if (digits.size() > keep) {
        const bool roundUp = digits[keep] >= '5';
        digits.resize(keep);
        if (roundUp) {
            int i = static_cast<int>(keep) - 1;
            for (; i >= 0; --i) {
                if (digits[static_cast<size_t>(i)] == '9') {
                    digits[static_cast<size_t>(i)] = '0';
                } else {
                    ++digits[static_cast<size_t>(i)];
                    break;
                }
            }
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                ++intDigits;
            }
        }
    }
    std::string out;
    out.append(digits, 0, static_cast<size_t>(intDigits));
    if (decimals > 0) {
        out.push_back('.');
        out.append(digits, static_cast<size_t>(intDigits), std::string::npos);
    }
    if (negative && out.find_first_not_of("0.") != std::string::npos)
        out.insert(out.begin(), '-');
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString FormatInteger(long long value) {
    return QString::number(value);
}

std::optional<int32_t> ParseInteger(QStringView text) {
    const QStringView t = Trimmed(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < t.size() && t[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == QLatin1Char('0') &&
               (t[i + 1] == QLatin1Char('x') || t[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i == t.size())
        return std::nullopt;
    // The magnitude may reach 2^31 only for a negative value.
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    long long magnitude = 0;
    for (; i < t.size(); ++i) {
        const int digit = HexValue(t[i].unicode());
        if (digit < 0 || digit >= base)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

std::optional<double> ParseReal(QStringView text) {
    const QStringView t = Trimmed(text);
    // Check the grammar ourselves: from_chars also takes "inf", "nan" and stops early on "1e" or "1,5".
    std::string ascii;
    ascii.reserve(static_cast<size_t>(t.size()));
    qsizetype i = 0;
    const auto isDigit = [&](qsizetype k) {
        return k < t.size() && t[k] >= QLatin1Char('0') && t[k] <= QLatin1Char('9');
    };
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    int mantissaDigits = 0;
    int firstNonZero = -1; // position of the first nonzero digit relative to the point, for underflow
    int intDigits = 0;
    while (isDigit(i)) {
        const char c = static_cast<char>(t[i].unicode());
        if (c != '0' && firstNonZero < 0)
            firstNonZero = intDigits;
        ascii.push_back(c);
        ++intDigits;
        ++i;
    }
    mantissaDigits = intDigits;
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        ascii.push_back('.');
        ++i;
        int fraction = 0;
        while (isDigit(i)) {
            const char c = static_cast<char>(t[i].unicode());
            if (c != '0' && firstNonZero < 0)
                firstNonZero = intDigits + fraction;
            ascii.push_back(c);
            ++fraction;
            ++i;
        }
        mantissaDigits += fraction;
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    long long exponent = 0;
    if (i < t.size() && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ascii.push_back('e');
        ++i;
        bool expNegative = false;
        if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
            expNegative = t[i] == QLatin1Char('-');
            ascii.push_back(static_cast<char>(t[i].unicode()));
            ++i;
        }
        if (!isDigit(i))
            return std::nullopt;
        while (isDigit(i)) {
            ascii.push_back(static_cast<char>(t[i].unicode()));
            if (exponent < 100000)
                exponent = exponent * 10 + (t[i].unicode() - u'0');
            ++i;
        }
        if (expNegative)
            exponent = -exponent;
    }
    if (i != t.size())
        return std::nullopt;
    if (firstNonZero < 0)
        return negative ? -0.0 : 0.0;
    double value = 0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // The decimal exponent of the leading digit tells underflow (reads as zero) from overflow (not a number).
        const long long leading = exponent + intDigits - 1 - firstNonZero;
        if (leading < 0)
            return negative ? -0.0 : 0.0;
        return std::nullopt;
    }
    if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace wl
