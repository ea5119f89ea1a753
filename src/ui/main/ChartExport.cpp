// The export writers behind the window's Save and the shell's --export.
#include "ui/main/ChartExport.h"

#include "preferences/Preferences.h"
#include "support/AtomicFile.h"
#include "support/Exception.h"
#include "support/TextSource.h"
#include "ui/chart/ChartPicture.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>

namespace wl {

namespace {

TPictureFormat PictureFormatOf(TExportKind kind) {
    switch (kind) {
    case TExportKind::Metafile:
        return TPictureFormat::Metafile;
    case TExportKind::EnhancedMetafile:
        return TPictureFormat::EnhancedMetafile;
    case TExportKind::Gif:
        return TPictureFormat::Gif;
    case TExportKind::Png:
        return TPictureFormat::Png;
    case TExportKind::Svg:
        return TPictureFormat::Svg;
    case TExportKind::Pdf:
        return TPictureFormat::Pdf;
    default:
        return TPictureFormat::Bitmap;
    }
}

TChart& ChartOf(const TExportRequest& request) {
    if (request.Chart == nullptr)
        throw Exception("There is no chart to save");
    return *request.Chart;
}

QString UnknownTypeMessage(const QString& path) {
    return MessageText(PreferencesExist() ? &GetPreferences() : nullptr, QStringLiteral("UnknownFileType"),
                       QStringLiteral("Nothing was saved: \"%s\" does not end in a file type that Wagerlens writes. "
                                      "It writes: %s."),
                       {QFileInfo(path).fileName(), WritableExtensions()});
}

// The page's footer format in the chosen language; a translation that does not fit falls back to English.
QString HtmlFooterFormat() {
    const QString english = THtmlPageInfo().FooterFormat;
    const QString format =
        MessageText(PreferencesExist() ? &GetPreferences() : nullptr, QStringLiteral("HtmlFooter"), english);
    try {
        SafeFormat(format, {QString(), QString()});
    } catch (const EFormatError&) {
        return english;
    }
    return format;
}

} // namespace

QStringList PictureNotes(const TDataSource& data) {
    QStringList notes = data.Answers;
    if (!data.Warning.isEmpty())
        notes.append(data.Warning);
    return notes;
}

QChar SystemDecimalSymbol() {
    return DecimalSymbolFrom(QLocale::system().decimalPoint());
}

void ExportToFile(const QString& path, const TExportRequest& request) {
    const TExportKind kind = ExportKindOf(path);
    QStringList lines;
    switch (kind) {
    case TExportKind::None:
        throw EUserError(UnknownTypeMessage(path));
    case TExportKind::Text:
        BuildDataText(lines, request.Data, request.DecimalSymbol);
        WriteFileAtomically(path, LinesToBytes(lines));
        return;
    case TExportKind::Csv:
        BuildDataCsv(lines, request.Data);
        WriteFileAtomically(path, LinesToBytes(lines));
        return;
    case TExportKind::Html: {
        // The picture first: the page refers to it by name only, so it lies beside the page.
        const QString picture = ChangeFileExtension(path, QStringLiteral(".GIF"));
        WriteFileAtomically(
            picture, ChartPictureBytes(ChartOf(request), request.PictureSize, TPictureFormat::Gif, request.ChartName));
        THtmlPageInfo info;
        info.ChartName = request.ChartName;
        info.PictureFileName = QFileInfo(picture).fileName();
        info.PictureWidth = request.PictureSize.width();
        info.PictureHeight = request.PictureSize.height();
        info.GeneratedAt = FormatGeneratedTime(QDateTime::currentDateTime(), QLocale::system());
        info.SiteAddress = MakerSiteAddress();
        info.FooterFormat = HtmlFooterFormat();
        BuildHtmlPage(lines, request.Data, info, request.DecimalSymbol);
        WriteFileAtomically(path, LinesToBytes(lines));
        return;
    }
    default:
        WriteFileAtomically(path, ChartPictureBytes(ChartOf(request), request.PictureSize, PictureFormatOf(kind),
                                                    request.ChartName, PictureNotes(request.Data)));
        return;
    }
}

} // namespace wl
