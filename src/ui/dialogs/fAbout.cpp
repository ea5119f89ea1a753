// The about box.
#include "ui/dialogs/fAbout.h"

#include "preferences/Preferences.h"
#include "ui/dialogs/DialogTools.h"
#include "ui/widgets/Guard.h"
#include "ui/widgets/Looks.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

// Resources of a static library are linked only when something refers to them.
static void InitAboutResource() {
    Q_INIT_RESOURCE(about);
}

namespace wl {

namespace {

const QString AboutSection = QStringLiteral("AboutWindow");

QLabel* NewLabel(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(x, y);
    return label;
}

} // namespace

TfmAbout::TfmAbout(QWidget* parent) : QDialog(parent) {
    // No caption text and no title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
    UseFormFont(*this);
    setFixedSize(326, 221);
    ImageAbout = NewLabel(this, QStringLiteral("ImageAbout"), QString(), 9, 10);
    lTitle = NewLabel(this, QStringLiteral("lTitle"), QStringLiteral("Wagerlens"), 123, 8);
    lVersion = NewLabel(this, QStringLiteral("lVersion"), QStringLiteral("Version 1.0"), 126, 44);
    lNotice = NewLabel(this, QStringLiteral("lNotice"), QString(), 126, 97);
    lURL = NewLabel(this, QStringLiteral("lURL"), MakerSiteAddress(), 126, 144);
    lMail = NewLabel(this, QStringLiteral("lMail"), SupportMailAddress(), 126, 160);
    for (QLabel* link : {lURL, lMail}) {
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(240, 189, 80, 22);
    btnOK->setDefault(true);
    // Escape rejects the dialog by itself; OK closes it the same way.
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    FormCreate();
}

void TfmAbout::FormCreate() {
    const QImage picture = LoadResourceBitmap(QStringLiteral("ABOUT"));
    if (!picture.isNull()) {
        ImageAbout->setPixmap(QPixmap::fromImage(picture));
        ImageAbout->resize(picture.size());
    }
    const TPreferences& prefs = GetPreferences();
    lVersion->setText(AboutVersionText());
    // Short lines: wider fallbacks for the design font must still fit beside the picture.
    QStringList notice;
    for (int k = 0; k < 3; ++k)
        notice << prefs.GetText(AboutSection, QStringLiteral("Notice") + QString::number(k));
    lNotice->setText(notice.join(QLatin1Char('\n')));
    btnOK->setText(prefs.GetButtonText(QStringLiteral("OK")));
    ApplyFont(*this);
    QFont title(QStringLiteral("Verdana"));
    title.setBold(true);
    title.setPixelSize(21);
    lTitle->setFont(title);
    for (QLabel* label : {lTitle, lVersion, lNotice, lURL, lMail})
        label->adjustSize();
    lVersion->move(316 - lVersion->width(), 44);
    StyleLink(*lURL);
    StyleLink(*lMail);
}

void TfmAbout::lURLClick() {
    QDesktopServices::openUrl(QUrl(GetPreferences().GetSiteAddress()));
}

void TfmAbout::lMailClick() {
    const QString link = QStringLiteral("mailto:") + SupportMailAddress() + QStringLiteral("?subject=") +
                         PercentEncode(QStringLiteral("Wagerlens " WL_VERSION_STRING));
    QDesktopServices::openUrl(QUrl::fromEncoded(link.toLatin1()));
}

bool TfmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == lURL)
            Guarded(this, [this] { lURLClick(); });
        else if (watched == lMail)
            Guarded(this, [this] { lMailClick(); });
    }
    return QDialog::eventFilter(watched, event);
}

void ShowAbout(QWidget* parent) {
    TfmAbout form(parent);
    const QScreen* screen = parent != nullptr ? parent->screen() : nullptr;
    if (screen != nullptr)
        form.move(screen->availableGeometry().center() - form.rect().center());
    form.exec();
}

QImage LoadResourceBitmap(const QString& name) {
    static const bool registered = (InitAboutResource(), true);
    (void)registered;
    QFile resource(QStringLiteral(":/") + name);
    if (!resource.open(QIODevice::ReadOnly))
        return {};
    return QImage::fromData(QByteArray("BM") + resource.readAll(), "BMP");
}

QString AboutVersionText() {
    const TPreferences& prefs = GetPreferences();
    const QDate date = QFileInfo(QCoreApplication::applicationFilePath()).lastModified().date();
    // The chosen language's date format: the program pins the default locale to C for numbers.
    const QString shown = LocaleForLanguageCode(prefs.LanguageCode()).toString(date, QLocale::ShortFormat);
    return prefs.GetText(AboutSection, QStringLiteral("Version")) + QStringLiteral(" " WL_VERSION_STRING "  (") +
           shown + QStringLiteral(")");
}

} // namespace wl
