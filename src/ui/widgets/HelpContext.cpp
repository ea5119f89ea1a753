// Help context numbers kept as a widget property.
#include "ui/widgets/HelpContext.h"

#include <QVariant>
#include <QWidget>

namespace wl {

namespace {
constexpr const char* ContextProperty = "wlHelpContext";
}

void SetHelpContext(QWidget* widget, int context) {
    if (widget != nullptr)
        widget->setProperty(ContextProperty, context);
}

int HelpContextOf(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const QVariant v = w->property(ContextProperty);
        if (v.isValid() && v.toInt() != 0)
            return v.toInt();
    }
    return 0;
}

QString HelpTopicForContext(int context) {
    switch (context) {
    case MainWindowHelpContext:
        return QStringLiteral("main_win.htm");
    case SelectorHelpContext:
        return QStringLiteral("select_win.htm");
    case GameEditorHelpContext:
        return QStringLiteral("game_win.htm");
    case BetSystemEditorHelpContext:
        return QStringLiteral("bet_win.htm");
    case ChartListHelpContext:
        return QStringLiteral("charts.htm");
    case SummaryHelpContext:
        return QStringLiteral("summary.htm");
    default:
        return {};
    }
}

} // namespace wl
