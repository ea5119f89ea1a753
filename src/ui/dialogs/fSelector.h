// The selector: picks the game and system of a new series, and adds, edits and deletes games and systems.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace wl {

class TBetDescription;
class TChartController;
class TGameDescription;

class TfmSelector : public QDialog {
    Q_OBJECT
public:
    TfmSelector(TChartController& controller, QWidget* parent = nullptr);
    ~TfmSelector() override; // remembers both list positions

    TGameDescription* GetSelectedGame() const;  // none without a selected row
    TBetDescription* GetSelectedSystem() const; // none without a selected row
    void FillGames();
    void FillSystems();
    void ApplyLanguage();

    void btnGameAddClick();
    void btnSystemAddClick();
    void btnGameEditClick();
    void btnSystemEditClick();
    // Raise EFormatError, deleting nothing, when the confirmation text is not a format for one name.
    void btnGameDeleteClick();
    void btnSystemDelClick();

    QLabel* lGameHeader = nullptr;
    QListWidget* lbGames = nullptr;
    QPushButton* btnGameAdd = nullptr;
    QPushButton* btnGameDelete = nullptr;
    QPushButton* btnGameEdit = nullptr;
    QLabel* lBetHeader = nullptr;
    QListWidget* lbSystems = nullptr;
    QPushButton* btnSystemAdd = nullptr;
    QPushButton* btnSystemDel = nullptr;
    QPushButton* btnSystemEdit = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void UpdateButtons();

    TChartController& FController;
    bool FShown = false;
};

// Shows the selector modally; on OK adds the chosen series through the controller. True when one was added.
bool SelectGameAndSystem(TChartController& controller, QWidget* parent = nullptr);

} // namespace wl
