// The main window's saved state in the preferences store: chart kind, parameters, view, series and placement.
//
// Sections "CHART" (ChartID, Param0.., Mode), "Series" (Count, Game0.., Bet0..) and one placement section per
// screen setup ("Placement%d%d" of logical DPI and screen height). Values are decimal integers; keys are only ever
// written, never removed, and a count bounds what is read.
#pragma once

#include <QString>

#include <optional>

namespace wl {

class TIniStore;
class TChartController;

// The range of a chart parameter in the window's fields; loaded and command-line values are kept inside it.
inline constexpr int ParamMinimum = 0;
inline constexpr int ParamMaximum = 10000;

struct TWindowPlacement {
    int Top = 0;
    int Left = 0;
    int Width = 0;
    int Height = 0;
    int OptionsWidth = 0; // the right-hand panel
    bool operator==(const TWindowPlacement&) const = default;
};

// "Placement96768" for 96 pixels per inch and a screen 768 pixels high.
QString PlacementSectionName(int logicalDpi, int screenHeight);

// Writes the controller's kind, its parameters and its series (by list position), the view and the placement.
// viewMode: 0 the chart, 1 the data table, 2 the summary.
void SaveWindowState(TIniStore& store, TChartController& controller, int viewMode, const TWindowPlacement& placement,
                     const QString& placementSection);

// What the window applies itself after LoadWindowState.
struct TLoadedWindowState {
    bool DataView = false;
    bool SummaryView = false;
    std::optional<TWindowPlacement> Placement; // only when the section of this screen setup exists
};

// The folder the last export was saved in ("Export"/"Folder"); empty when none was.
QString LastExportFolder(const TIniStore& store);
void SetLastExportFolder(TIniStore& store, const QString& folder);

// Applies the saved kind, parameters and series to the controller (which should still be inactive) and returns
// the view and placement. A kind index out of range keeps the current kind; a series naming no existing game or
// system is skipped, and so is every series past the tenth; parameters are kept within ParamMinimum..ParamMaximum.
// Missing or unreadable values take their defaults: the kind's own parameter, the current placement.
TLoadedWindowState LoadWindowState(const TIniStore& store, TChartController& controller,
                                   const TWindowPlacement& currentPlacement, const QString& placementSection);

} // namespace wl
