// Saving the chart or its numbers to a file of the type the name's extension picks, from the window or a shell.
#pragma once

#include "presentation/DataExport.h"

#include <QChar>
#include <QSize>
#include <QString>
#include <QStringList>

namespace wl {

class TChart;

struct TExportRequest {
    TChart* Chart = nullptr; // the picture's model, drawn by a view of its own
    QSize PictureSize;
    TDataSource Data;  // the numbers, as the last finished calculation left them
    QString ChartName; // the chart kind's name: the page's heading and the pictures' title
    QChar DecimalSymbol = QLatin1Char('.');
};

// Writes the file whose type path's extension selects, each file atomically; ".htm" and ".html" write the GIF
// beside the page first. An unknown extension writes nothing and raises an Exception listing the writable types;
// a failed write raises EFileError naming the file and the reason.
void ExportToFile(const QString& path, const TExportRequest& request);

// What the window shows beside the chart (the planner's answers, the limit line), drawn under it in the pictures;
// the page has them as text.
QStringList PictureNotes(const TDataSource& data);

// The user's decimal symbol, for the exported and copied tables.
QChar SystemDecimalSymbol();

} // namespace wl
