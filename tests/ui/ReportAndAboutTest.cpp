// The error report and the about box: report texts, Copy and Send, the crash report's hand-over, the about box's
// version, links, picture and closing keys.
#include "preferences/Preferences.h"
#include "support/CrashReport.h"
#include "support/Exception.h"
#include "support/StackTrace.h"
#include "ui/dialogs/fAbout.h"
#include "ui/dialogs/fException.h"
#include "ui/widgets/Guard.h"

#include "UiTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace wl {
namespace {

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override { Folder.UsePreferences(); }
    test::TUiFolder Folder;
};

// Reads the dialog that the next modal run shows into text, which must outlive that run, then closes it.
void ReadAndCloseNextReport(QString& text) {
    QTimer::singleShot(0, [&text] {
        if (auto* form = qobject_cast<TfmException*>(QApplication::activeModalWidget())) {
            text = form->ReportText();
            form->btnOK->click();
        }
    });
}

TEST_F(ReportTest, HandlerFailureShowsVersionMessageAddressAndTrace) {
    QString shown;
    QTimer::singleShot(0, [&shown] {
        auto* form = qobject_cast<TfmException*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->size(), QSize(291, 263));
        EXPECT_FALSE(form->Memo->isEnabled());
        const QPalette& palette = form->Memo->palette();
        EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::Text), palette.color(QPalette::Active, QPalette::Text))
            << "a disabled memo must still be readable";
        EXPECT_EQ(form->windowTitle(), QStringLiteral("   Program error"));
        EXPECT_EQ(form->lHeader->text(), QStringLiteral("SORRY, A PROGRAM ERROR OCCURRED"));
        shown = form->ReportText();
        form->btnCopy->click();
        form->btnOK->click();
    });
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, &button,
                     [&button] { Guarded(&button, [] { throw ERangeError("Index 40 out of range"); }); });
    button.click();

    const QStringList lines = shown.split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 7) << shown.toStdString(); // a trace line, the build id and the final empty entry
    EXPECT_EQ(lines[0], QStringLiteral("Wagerlens 1.3.0.10"));
    EXPECT_EQ(lines[1], QStringLiteral("Index 40 out of range"));
    const QRegularExpression hex(QStringLiteral("^[0-9A-F]{8}$"));
    EXPECT_TRUE(hex.match(lines[2]).hasMatch() && lines[2] != QStringLiteral("00000000")) << lines[2].toStdString();
    EXPECT_EQ(lines[3], QStringLiteral("Stackframe-based trace:"));
    EXPECT_LE(lines.size() - 6, MaxTraceEntries);
    // Each trace line: the offset and the module it lies in; then the build id that finds the matching build.
    const QRegularExpression traceLine(QStringLiteral("^[0-9A-F]{8} wl_dialogs_tests$"));
    for (qsizetype i = 4; i + 2 < lines.size(); ++i)
        EXPECT_TRUE(traceLine.match(lines[i]).hasMatch()) << lines[i].toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Build id [0-9a-f]{40}$")).match(lines[lines.size() - 2]).hasMatch())
        << lines[lines.size() - 2].toStdString();
    EXPECT_TRUE(lines.last().isEmpty()) << "every line ends in CR LF, the last one included";
    EXPECT_EQ(QApplication::clipboard()->text(), shown);
    const QString link = ReportMailLink(shown);
    EXPECT_TRUE(link.startsWith(QStringLiteral("mailto:support@brellion.com?subject=Wagerlens%20error&body=")));
    EXPECT_TRUE(link.endsWith(QStringLiteral("%0D%0A"))) << link.toStdString();
    EXPECT_FALSE(link.contains(QLatin1Char('\n')) || link.contains(QLatin1Char('\r')));
}

// The thread's own raise address comes across with the error.
TEST_F(ReportTest, ThreadReportCarriesTheRaiseAddress) {
    Exception failure("boom");
    failure.SetMessage(QStringLiteral("Error in thread\n\r") + failure.Message());
    const QString text = ThreadReportText(failure);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Exception at [0-9A-F]{8} : \r\nError in thread\n\rboom$"))
                    .match(text)
                    .hasMatch())
        << text.toStdString();
    EXPECT_FALSE(text.startsWith(QStringLiteral("Exception at 00000000")));
    QString memo;
    ReadAndCloseNextReport(memo);
    ShowReport(text);
    EXPECT_TRUE(memo.endsWith(QStringLiteral(" : \r\nError in thread\r\n\r\nboom\r\n"))) << memo.toStdString();
}

// Said to be the previous run's crash, with its time.
TEST_F(ReportTest, CrashReportIsOfferedOnceThenDeleted) {
    const QString crash = QStringLiteral("Wagerlens 1.3.0.10\r\nCrash at 2026-12-08 13:05:09 UTC\r\nBuild id 0a1b\r\n"
                                         "Fatal signal SIGSEGV\r\n");
    test::WriteText(CrashReportPath(Folder.Path()), crash.toUtf8());
    QStringList shown;
    SetErrorDisplay([&shown](const QString& m) { shown << m; });
    OfferCrashReport(Folder.Path());
    OfferCrashReport(Folder.Path());
    SetErrorDisplay(nullptr);
    EXPECT_EQ(shown, QStringList{QStringLiteral("The previous run of Wagerlens ended in a crash on 2026-12-08 "
                                                "13:05:09 UTC. Its report:\r\n") +
                                 crash});
    EXPECT_FALSE(QFileInfo::exists(CrashReportPath(Folder.Path())));
}

// Stands in for the browser and the mail program.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public Q_SLOTS:
    void Open(const QUrl& url) { Opened << url; }
};

TEST_F(ReportTest, AboutBoxShowsVersionPictureAndLinks) {
    const QImage picture = LoadResourceBitmap(QStringLiteral("ABOUT"));
    EXPECT_EQ(picture.size(), QSize(100, 200));
    EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_EQ(picture.colorCount(), 256);
    EXPECT_TRUE(LoadResourceBitmap(QStringLiteral("MISSING")).isNull());

    QFile::copy(QStringLiteral(WL_SOURCE_DATA_DIR "/Langs/RUS.ini"), Folder.Path() + QStringLiteral("/Langs/RUS.ini"));
    Folder.UsePreferences("[Preferences]\r\nLanguage=RUS\r\n");
    TUrlCatcher catcher;
    for (const QString& scheme : {QStringLiteral("https"), QStringLiteral("mailto")})
        QDesktopServices::setUrlHandler(scheme, &catcher, "Open");
    TfmAbout form;
    const QDate date = QFileInfo(QCoreApplication::applicationFilePath()).lastModified().date();
    // The chosen language's words and date format, whatever the system's.
    const QString russianDate = QLocale(QLocale::Russian).toString(date, QLocale::ShortFormat);
    EXPECT_EQ(form.lVersion->text(), QStringLiteral("Версия 1.3.0.10  (") + russianDate + QStringLiteral(")"));
    EXPECT_TRUE(form.lNotice->text().endsWith(QStringLiteral("\nПеревес казино не обыграть.")))
        << form.lNotice->text().toStdString();
    EXPECT_EQ(form.ImageAbout->pixmap().size(), QSize(100, 200));
    QTest::mouseClick(form.lURL, Qt::LeftButton);
    QTest::mouseClick(form.lMail, Qt::LeftButton);
    for (const QString& scheme : {QStringLiteral("https"), QStringLiteral("mailto")})
        QDesktopServices::unsetUrlHandler(scheme);
    ASSERT_EQ(catcher.Opened.size(), 2);
    EXPECT_EQ(catcher.Opened[0].toString(), MakerSiteAddress() + QStringLiteral("/from_wagerlens_ru"));
    EXPECT_EQ(catcher.Opened[1].toEncoded(), QByteArray("mailto:support@brellion.com?subject=Wagerlens%201.3.0.10"));

    for (const bool escape : {true, false}) {
        form.show();
        if (escape)
            QTest::keyClick(&form, Qt::Key_Escape);
        else
            form.btnOK->click();
        EXPECT_FALSE(form.isVisible()) << (escape ? "Escape" : "OK");
    }
}

} // namespace
} // namespace wl

#include "ReportAndAboutTest.moc"
