// The main window's export and copy: the Save dialog, the clipboard and the file the chosen type writes.
#include "ui/main/fMain.h"

#include "charts/ChartController.h"
#include "preferences/Preferences.h"
#include "presentation/WindowState.h"
#include "ui/chart/ChartPicture.h"
#include "ui/chart/ChartView.h"
#include "ui/main/ChartExport.h"
#include "ui/main/DataGrid.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QListView>
#include <QStandardPaths>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>

namespace wl {

void TfmMain::miCopyClick() {
    CopyToClipboard();
}

namespace {

// The places beside the folder view as wide as their longest name: the dialog's own width cuts longer
// translations ("Компьютер").
void FitSideBar(QFileDialog& dialog) {
    auto* sidebar = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
    if (sidebar == nullptr || sidebar->model() == nullptr)
        return;
    const QAbstractItemModel& places = *sidebar->model();
    int widest = 0;
    for (int r = 0; r < places.rowCount(); ++r)
        widest = std::max(widest, sidebar->fontMetrics().horizontalAdvance(places.index(r, 0).data().toString()));
    const int frame = 2 * sidebar->frameWidth() + sidebar->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    sidebar->setMinimumWidth(widest + sidebar->iconSize().width() + frame + 16);
}

} // namespace

void TfmMain::miSaveClick() {
    // Where the last save went, else the documents; a folder that does not exist would be offered as the name.
    QString folder = LastExportFolder(GetPreferences().Store());
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    QFileDialog dialog(this, GetPreferences().GetButtonText(QStringLiteral("Save")), folder);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setSizeGripEnabled(true);
    FitSideBar(dialog);
    // The language gives the types as "name|pattern|name|pattern...", the first one selected.
    const QStringList parts = GetPreferences().GetMessageText(QStringLiteral("SaveFilter")).split(QLatin1Char('|'));
    QStringList filters;
    QHash<QString, QString> extensions;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        filters.append(parts[i]);
        extensions.insert(parts[i], FilterExtension(parts[i + 1]));
    }
    dialog.setNameFilters(filters);
    // The chosen type completes a name typed without an extension, before the dialog asks about overwriting.
    const auto useFilter = [&dialog, &extensions](const QString& filter) {
        dialog.setDefaultSuffix(extensions.value(filter, QStringLiteral("bmp")));
    };
    connect(&dialog, &QFileDialog::filterSelected, &dialog, useFilter);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    useFilter(dialog.selectedNameFilter());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString name = dialog.selectedFiles().first();
    ExportToFile(name);
    SetLastExportFolder(GetPreferences().Store(), QFileInfo(name).absolutePath());
    GetPreferences().Save();
}

TDataSource TfmMain::ExportData() const {
    // The table comes from the chart's lines, never from the calculators that the thread writes; while it runs
    // the lines and the X range are those of the last finished calculation.
    TDataSource source = DataSourceOf(*FController, *FDataTable);
    if (FController->Running()) {
        source.MinX = FFinishedMinX;
        source.MaxX = FFinishedMaxX;
    }
    return source;
}

QSize TfmMain::ChartPictureSize() const {
    const QWidget* shown = !MainChart->isHidden() ? MainChart
                           : SummaryShown()       ? static_cast<const QWidget*>(SummaryGrid)
                                                  : static_cast<const QWidget*>(DataGrid);
    return shown->size();
}

void TfmMain::CopyToClipboard() {
    if (CopySummary())
        return;
    if (!MainChart->isHidden()) {
        QGuiApplication::clipboard()->setImage(ChartImage(*FChart, ChartPictureSize(), PictureNotes(ExportData())));
        return;
    }
    QStringList lines;
    BuildDataText(lines, ExportData(), SystemDecimalSymbol());
    QGuiApplication::clipboard()->setText(LinesToText(lines));
}

void TfmMain::ExportToFile(const QString& name) {
    if (ExportSummary(name))
        return;
    TExportRequest request;
    request.Chart = FChart.get();
    request.PictureSize = ChartPictureSize();
    request.Data = ExportData();
    request.ChartName = FController->GetChartKindName(FController->ChartIndex());
    request.DecimalSymbol = SystemDecimalSymbol();
    wl::ExportToFile(name, request);
}

} // namespace wl
