// The safe formatter for format texts from language files.
#include "support/SafeFormat.h"

#include "support/Exception.h"

namespace wl {

namespace {

[[noreturn]] void RaiseFormatError(const QString& format, const QString& reason) {
    throw EFormatError(QStringLiteral("The format text \"%1\" does not fit its arguments: %2").arg(format, reason));
}

template <class TArgs> QString FormatWith(const QString& format, const TArgs& args) {
    QString out;
    out.reserve(format.size() + 32);
    auto next = args.begin();
    qsizetype used = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out.append(c);
            continue;
        }
        if (i + 1 >= format.size())
            RaiseFormatError(format, QStringLiteral("a lone \"%\" at the end"));
        const QChar conversion = format[++i];
        if (conversion == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            continue;
        }
        if (conversion != QLatin1Char('s') && conversion != QLatin1Char('d'))
            RaiseFormatError(format, QStringLiteral("\"%") + conversion +
                                         QStringLiteral("\" is not a placeholder; only "
                                                        "\"%s\", \"%d\" and \"%%\" are"));
        if (next == args.end())
            RaiseFormatError(format, QStringLiteral("more placeholders than the %1 given").arg(args.size()));
        ++used;
        if (conversion == QLatin1Char('s')) {
            const QString* text = std::get_if<QString>(&*next);
            if (text == nullptr)
                RaiseFormatError(format,
                                 QStringLiteral("placeholder %1 is \"%s\" but its argument is a number").arg(used));
            out.append(*text);
        } else {
            const long long* number = std::get_if<long long>(&*next);
            if (number == nullptr)
                RaiseFormatError(format,
                                 QStringLiteral("placeholder %1 is \"%d\" but its argument is a text").arg(used));
            out.append(QString::number(*number));
        }
        ++next;
    }
    if (next != args.end())
        RaiseFormatError(format, QStringLiteral("%1 placeholders for %2 arguments").arg(used).arg(args.size()));
    return out;
}

} // namespace

QString SafeFormat(const QString& format, std::initializer_list<TFormatArg> args) {
    return FormatWith(format, args);
}

QString SafeFormat(const QString& format, const std::vector<TFormatArg>& args) {
    return FormatWith(format, args);
}

} // namespace wl
