// The preferences dialog: the memory budget of the series' rows and the smallest probability followed.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
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
    QLabel* lTolerance = nullptr;
    QLineEdit* edTolerance = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

} // namespace wl
