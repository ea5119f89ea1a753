// The dialogs the chart controller opens, as windows: the selector, the two editors and the about box.
#pragma once

#include "charts/ChartDialogs.h"

#include <QPointer>
#include <QWidget>

namespace wl {

class TChartDialogs final : public IChartDialogs {
public:
    // parent: the window the dialogs centre on; may go away before this object.
    explicit TChartDialogs(QWidget* parent = nullptr) : FParent(parent) {}

    bool SelectGameAndSystem(TChartController& controller) override;
    std::unique_ptr<TGameDescription> NewGame(const QStringList& names) override;
    bool EditGame(const TGameDescription& game, const QStringList& names, TGameDescription& edited) override;
    std::unique_ptr<TBetDescription> NewSystem(const QStringList& names) override;
    bool EditSystem(const TBetDescription& system, const QStringList& names, TBetDescription& edited) override;
    void ShowAbout() override;

private:
    QPointer<QWidget> FParent;
};

} // namespace wl
