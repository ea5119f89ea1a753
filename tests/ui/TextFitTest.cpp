// Every text fits its control in every shipped language at the default size; texts cut on purpose have a tooltip.
#include "charts/ChartController.h"
#include "preferences/Preferences.h"
#include "ui/chart/ChartView.h"
#include "ui/dialogs/DialogTools.h"
#include "ui/dialogs/fAbout.h"
#include "ui/dialogs/fBetSystemEditor.h"
#include "ui/dialogs/fGameEditor.h"
#include "ui/dialogs/fSelector.h"
#include "ui/main/DataGrid.h"
#include "ui/main/fMain.h"

#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

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
    const auto isControl = [](const QWidget* w) {
        return qobject_cast<const QLabel*>(w) != nullptr || qobject_cast<const QAbstractButton*>(w) != nullptr ||
               qobject_cast<const QAbstractItemView*>(w) != nullptr || qobject_cast<const QLineEdit*>(w) != nullptr ||
               qobject_cast<const QAbstractSpinBox*>(w) != nullptr;
    };
    for (QWidget* w : root.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&root))
            continue;
        // A control that a neighbour covers, or that runs past its window, is cut whatever its own width.
        if (isControl(w) && w->parentWidget() != nullptr) {
            if (!w->parentWidget()->rect().contains(w->geometry()))
                cuts << QStringLiteral("%1 %2 runs past its window")
                            .arg(QString::fromLatin1(w->window()->metaObject()->className()), w->objectName());
            for (QObject* other : w->parentWidget()->children()) {
                auto* sibling = qobject_cast<QWidget*>(other);
                if (sibling != nullptr && std::less<>()(w, sibling) && sibling->isVisibleTo(&root) &&
                    isControl(sibling) && w->geometry().intersects(sibling->geometry()))
                    cuts << QStringLiteral("%1 %2 and %3 overlap")
                                .arg(QString::fromLatin1(w->window()->metaObject()->className()))
                                .arg(QString::fromLatin1(w->metaObject()->className()) + w->objectName(),
                                     QString::fromLatin1(sibling->metaObject()->className()) + sibling->objectName());
            }
        }
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
        // European roulette's single number: figures of two whole digits and negative ones.
        TGameDescription single;
        single.OutcomeCount = 2;
        single.SetResult(0, 35);
        single.SetProbability(0, 1.0 / 37);
        single.SetResult(1, -1);
        single.SetProbability(1, 36.0 / 37);
        TfmGameEditor game;
        game.Open(&single, {});
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
        TfmAbout about;
        about.show();
        QCoreApplication::processEvents();
        cuts << CutTexts(about);
        cuts.removeDuplicates();
        EXPECT_TRUE(cuts.isEmpty()) << code << ":\n" << cuts.join(QLatin1Char('\n')).toStdString();
    }
}

// What a box or a dialog of the toolkit shows: its caption, its labels, and its buttons with their tooltips.
QStringList ShownTexts(const QWidget& window) {
    QStringList texts{window.windowTitle()};
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(w))
            texts << QString(label->text()).remove(QLatin1Char('&'));
        else if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            texts << QString(button->text()).remove(QLatin1Char('&')) << button->toolTip();
    }
    texts.removeAll(QString());
    return texts;
}

// The confirmation and message boxes, the save dialog and the about box speak the chosen language: in German and
// Russian none of them shows an English text, apart from the product's name, its addresses and "OK".
TEST(TextFit, BoxesAndTheSaveDialogSpeakTheChosenLanguage) {
    test::TUiFolder folder;
    folder.UsePreferences();
    TPreferences& prefs = GetPreferences();
    const QString message = QStringLiteral("Message");
    const QStringList neutral = {QStringLiteral("OK"),        message,
                                 QStringLiteral("Wagerlens"), QStringLiteral("Wagerlens 1.3"),
                                 MakerSiteAddress(),          SupportMailAddress()};
    QStringList english;
    for (const char* code : {"ENG", "DEU", "RUS"}) {
        prefs.SelectLanguage(QString::fromLatin1(code));
        TfmMain w(folder.Path());
        w.show();
        QStringList shown;
        const auto collectNextModal = [&shown] {
            QTimer::singleShot(0, [&shown] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                ASSERT_NE(dialog, nullptr);
                shown << ShownTexts(*dialog);
                dialog->reject();
            });
        };
        collectNextModal();
        ConfirmBox(&w, message);
        collectNextModal();
        InformationBox(&w, message);
        // The places beside the folders show their names whole.
        QTimer::singleShot(0, [code] {
            auto* sidebar = QApplication::activeModalWidget()->findChild<QListView*>(QStringLiteral("sidebar"));
            ASSERT_NE(sidebar, nullptr);
            for (int r = 0; r < sidebar->model()->rowCount(); ++r) {
                const QString name = sidebar->model()->index(r, 0).data().toString();
                EXPECT_LE(sidebar->fontMetrics().horizontalAdvance(name) + sidebar->iconSize().width(),
                          sidebar->viewport()->width())
                    << code << ": " << name.toStdString();
            }
        });
        collectNextModal();
        w.miSave->trigger();
        TfmAbout about;
        about.show();
        shown << ShownTexts(about);
        shown.removeDuplicates();
        for (const QString& text : neutral)
            shown.removeAll(text);
        if (english.isEmpty()) {
            // The file dialog alone has ten texts: a box or a dialog that was never seen would leave fewer.
            EXPECT_GE(shown.size(), 14) << shown.join(QLatin1Char('|')).toStdString();
            english = shown;
            continue;
        }
        QStringList untranslated;
        for (const QString& text : shown)
            if (english.contains(text))
                untranslated << text;
        EXPECT_TRUE(untranslated.isEmpty()) << code << ": " << untranslated.join(QLatin1Char('|')).toStdString();
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
