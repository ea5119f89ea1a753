// Every text fits its control in every shipped language at the default size; texts cut on purpose have a tooltip.
#include "charts/ChartController.h"
#include "preferences/Preferences.h"
#include "ui/chart/ChartView.h"
#include "ui/dialogs/fBetSystemEditor.h"
#include "ui/dialogs/fGameEditor.h"
#include "ui/dialogs/fSelector.h"
#include "ui/main/DataGrid.h"
#include "ui/main/fMain.h"

#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <algorithm>

namespace wl {
namespace {

int TextWidth(const QFontMetrics& fm, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// The texts of root's visible controls that do not fit, each as "where: text (needed > available)".
QStringList CutTexts(QWidget& root) {
    QStringList cuts;
    const auto check = [&cuts](const QWidget& w, const QString& text, int needed, int available) {
        if (needed > available)
            cuts << QStringLiteral("%1 %2 \"%3\" (%4 > %5)")
                        .arg(QString::fromLatin1(w.window()->metaObject()->className()), w.objectName(), text)
                        .arg(needed)
                        .arg(available);
    };
    for (QWidget* w : root.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&root))
            continue;
        const QFontMetrics fm(w->font());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            const QString text = label->text();
            // Shortened on purpose: the whole text shows on hover.
            const bool elided = text.endsWith(QChar(0x2026)) && !label->toolTip().isEmpty();
            if (text.isEmpty() || label->wordWrap() || Qt::mightBeRichText(text) || elided)
                continue;
            check(*label, text, TextWidth(fm, text) + 2 * std::max(label->margin(), 0), label->contentsRect().width());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            const QString text = QString(button->text()).remove(QLatin1Char('&'));
            if (text.isEmpty())
                continue;
            const int frame =
                qobject_cast<QPushButton*>(w) != nullptr ? 8 : button->sizeHint().width() - fm.horizontalAdvance(text);
            check(*button, text, fm.horizontalAdvance(text) + frame, button->width());
        } else if (auto* table = qobject_cast<QTableView*>(w)) {
            // Column titles wrap at spaces: every word must fit its column and the lines the title row.
            const QHeaderView* header = table->horizontalHeader();
            const QFontMetrics hm(header->font());
            for (int c = 0; c < header->count() && !header->isHidden(); ++c) {
                const QString text = table->model()->headerData(c, Qt::Horizontal).toString();
                const int width = header->sectionSize(c) - 4;
                for (const QString& word : text.split(QLatin1Char(' ')))
                    check(*table, text, hm.horizontalAdvance(word), width);
                check(*table, text, hm.boundingRect(QRect(0, 0, width, 1000), Qt::TextWordWrap, text).height(),
                      header->height());
            }
        } else if (auto* list = qobject_cast<QListWidget*>(w)) {
            for (int i = 0; i < list->count(); ++i) {
                const QListWidgetItem* item = list->item(i);
                if (item->toolTip().isEmpty())
                    check(*list, item->text(), fm.horizontalAdvance(item->text()) + 8, list->viewport()->width());
            }
        }
    }
    return cuts;
}

TEST(TextFit, EveryTextFitsInEveryLanguage) {
    test::TUiFolder folder;
    folder.UsePreferences("[Series]\r\nCount=2\r\nGame0=0\r\nBet0=0\r\nGame1=1\r\nBet1=0\r\n");
    TPreferences& prefs = GetPreferences();
    for (const char* code : {"ENG", "RUS", "DEU"}) {
        const QString language = QString::fromLatin1(code);
        ASSERT_TRUE(prefs.Languages().contains(language)) << code;
        prefs.SelectLanguage(language);
        QStringList cuts;
        {
            TfmMain w(folder.Path());
            w.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
            for (int kind = 0; kind < w.Controller().ChartKindCount(); ++kind) {
                w.lbCharts->setCurrentRow(kind);
                QCoreApplication::processEvents();
                cuts << CutTexts(w);
                // Qt Charts cuts an axis title that is longer than its axis.
                const QRect plot = w.MainChart->PlotRect();
                for (QValueAxis* axis : {w.MainChart->LeftAxis(), w.MainChart->BottomAxis()}) {
                    const int length = axis == w.MainChart->LeftAxis() ? plot.height() : plot.width();
                    const int needed = QFontMetrics(axis->titleFont()).horizontalAdvance(axis->titleText());
                    if (needed > length)
                        cuts << QStringLiteral("axis title \"%1\" (%2 > %3)")
                                    .arg(axis->titleText())
                                    .arg(needed)
                                    .arg(length);
                }
            }
            TfmSelector selector(w.Controller());
            selector.show();
            QCoreApplication::processEvents();
            cuts << CutTexts(selector);
        }
        TfmGameEditor game;
        game.Open(nullptr, {});
        game.show();
        QCoreApplication::processEvents();
        cuts << CutTexts(game);
        // The figures: a name and its value on one line, apart.
        const QFontMetrics fm(game.lbInfo->font());
        for (int k = 0; k < game.lbInfo->count(); ++k) {
            const QString name = game.lbInfo->item(k)->text();
            const int needed = fm.horizontalAdvance(name) + fm.horizontalAdvance(game.InfoValueText(k)) + 10;
            if (needed > game.lbInfo->viewport()->width())
                cuts << QStringLiteral("figure \"%1\" (%2 > %3)")
                            .arg(name)
                            .arg(needed)
                            .arg(game.lbInfo->viewport()->width());
        }
        TfmBetSystemEditor system;
        system.Open(nullptr, {});
        system.show();
        QCoreApplication::processEvents();
        cuts << CutTexts(system);
        cuts.removeDuplicates();
        EXPECT_TRUE(cuts.isEmpty()) << code << ":\n" << cuts.join(QLatin1Char('\n')).toStdString();
    }
}

// The data view's column titles are cut to the column; hovering one shows the whole caption.
TEST(TextFit, DataColumnTitlesShowTheWholeCaptionOnHover) {
    test::TUiFolder folder;
    folder.UsePreferences("[CHART]\r\nMode=1\r\n\r\n[Series]\r\nCount=1\r\nGame0=1\r\nBet0=0\r\n");
    TfmMain w(folder.Path());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QWidget* viewport = w.DataGrid->viewport();
    const QPoint at = w.DataGrid->CellRect(1, 0).center();
    QHelpEvent hover(QEvent::ToolTip, at, viewport->mapToGlobal(at));
    QCoreApplication::sendEvent(viewport, &hover);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Die [Flat]"));
}

} // namespace
} // namespace wl
