// The bet system editor: a system's name and states table, edited on a working copy and pruned on OK.
#pragma once

#include "model/BetDescription.h"
#include "ui/dialogs/DialogTools.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace wl {

class TEditorGrid;
class TGridHeader;
class TEditorModel;

class TfmBetSystemEditor : public TEditorForm {
    Q_OBJECT
public:
    static constexpr int GridStateRows = TBetDescription::MaxStates;

    explicit TfmBetSystemEditor(QWidget* parent = nullptr);
    ~TfmBetSystemEditor() override;

    // Copies system (none: the one-state default) into WorkingCopy, pruning it, and attaches name completion over
    // names, the keys of the bet list in list order; the name is checked against them on OK.
    void Open(const TBetDescription* system, const QStringList& names);

    // Rows as the user sees them: row 0 is the title row, row r > 0 shows state r - 1.
    QString CellText(int col, int row) const;
    // Text that is no whole number, or a successor outside the states a system can have, is refused with one
    // message, shown once the cell has closed; the cell keeps its value.
    void StatesGridSetEditText(int col, int row, const QString& text);
    bool CanSelectCell(int col, int row) const { return col != 0 && row >= 1 && row - 1 < WorkingCopy.StateCount; }
    // The row whose state-number cell is framed: the state the current successor cell leads to; -1 for none.
    int FramedRow() const;
    int TitleRowHeight() const;
    bool Changed() const override;

    TBetDescription WorkingCopy;

    QLabel* lSystemName = nullptr;
    QLineEdit* edSystemName = nullptr;
    QLabel* lHeader = nullptr;
    TEditorGrid* StatesGrid = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    QString WorkingName() const override { return WorkingCopy.Name; }
    bool RefusalPending() const override { return FRefusal.Pending(); }
    void FormShow() override;

private:
    void FitTitleRow();
    void FitGridHeight();

    QString FColumnTitles[4];
    TBetDescription FOpened; // the working copy as opened, to tell whether closing loses anything
    TRefusal FRefusal{*this};
    TEditorModel* FModel = nullptr;
    TGridHeader* FHeader = nullptr;
    TEditorGrid* FGrid = nullptr;
};

// Shows the editor on a copy of system; on OK copies the result (pruned) into edited and returns true.
bool EditSystem(const TBetDescription& system, const QStringList& names, TBetDescription& edited,
                QWidget* parent = nullptr);
// Shows the editor on the one-state default; on OK returns the new system.
std::unique_ptr<TBetDescription> NewSystem(const QStringList& names, QWidget* parent = nullptr);

} // namespace wl
