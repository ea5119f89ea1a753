// The preferences dialog: the memory budget of the series' rows.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace wl {

class TParamSpinBox;

class TfmPreferences : public QDialog {
    Q_OBJECT
public:
    // Shows the preferences' current values.
    explicit TfmPreferences(QWidget* parent = nullptr);

    // Writes the values into the preferences and closes; a field still showing a refusal keeps the dialog open.
    void btnOKClick();

    QLabel* lMemoryBudget = nullptr;
    TParamSpinBox* seMemoryBudget = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

} // namespace wl
