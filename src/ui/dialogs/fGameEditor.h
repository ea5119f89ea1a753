// The game editor: a game's name and outcomes table, with its figures shown live, edited on a working copy.
#pragma once

#include "model/GameDescription.h"
#include "ui/dialogs/DialogTools.h"

#include <QColor>
#include <QDialog>
#include <QStringList>

#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace wl {

class TEditorGrid;
class TEditorModel;
class TOutcomesGrid;

class TfmGameEditor : public TEditorForm {
    Q_OBJECT
public:
    // Every outcome a game can hold has its row; the grid scrolls.
    static constexpr int GridOutcomeRows = TGameDescription::MaxOutcomes;

    explicit TfmGameEditor(QWidget* parent = nullptr);
    ~TfmGameEditor() override;

    // Copies game (none: an empty game) into WorkingCopy and attaches name completion over names, the keys of the
    // game list in list order; the name is checked against them on OK.
    void Open(const TGameDescription* game, const QStringList& names);

    // Rows as the user sees them: row 0 is the title row, row r > 0 shows outcome r - 1.
    QString CellText(int col, int row) const;
    // A result whose loss does not fit 32 bits is refused with one message, shown once the cell has closed; the
    // cell keeps its value.
    void OutcomesGridSetEditText(int col, int row, const QString& text);
    bool CanSelectRow(int row) const { return row >= 1 && row <= WorkingCopy.OutcomeCount + 1; }
    // The current outcome row's Delete (after confirmation) and Insert.
    void DeleteCurrentOutcome();
    void InsertCurrentOutcome();

    // Whether the probabilities sum to 1 or 100 at seven decimals.
    bool SumOk() const;
    QString InfoValueText(int k) const; // "%10.8f" of Info(k)
    QColor InfoItemColor(int k, bool selected) const;
    bool Changed() const override;

    TGameDescription WorkingCopy;

    QLabel* lGameName = nullptr;
    QLineEdit* edName = nullptr;
    QLabel* lInfoHeader = nullptr;
    QListWidget* lbInfo = nullptr;
    QLabel* lTableHeader = nullptr;
    TEditorGrid* OutcomesGrid = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    QString WorkingName() const override { return WorkingCopy.Name; }
    bool RefusalPending() const override { return FRefusalPending; }
    void FormShow() override;

private:
    void RefreshOutcomes();
    int CurrentOutcome() const; // current grid row - 1, -1 without a current cell
    void RefuseResult();
    // A result beyond what a 1-unit bet can chart: kept, and said once the cell has closed.

    friend class TOutcomesGrid;

    QString FColumnTitles[2];
    TGameDescription FOpened; // the working copy as opened, to tell whether closing loses anything
    bool FRefusalPending = false;
    TEditorModel* FModel = nullptr;
    TOutcomesGrid* FGrid = nullptr;
};

// Shows the editor on a copy of game; on OK copies the result into edited and returns true.
bool EditGame(const TGameDescription& game, const QStringList& names, TGameDescription& edited,
              QWidget* parent = nullptr);
// Shows the editor on an empty game; on OK returns the new game.
std::unique_ptr<TGameDescription> NewGame(const QStringList& names, QWidget* parent = nullptr);

} // namespace wl
