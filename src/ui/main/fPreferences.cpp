// The preferences dialog.
#include "ui/main/fPreferences.h"

#include "preferences/Preferences.h"
#include "support/Exception.h"
#include "support/Numbers.h"
#include "ui/dialogs/DialogTools.h"
#include "ui/main/ParamSpinBox.h"
#include "ui/widgets/Guard.h"
#include "ui/widgets/HelpContext.h"
#include "ui/widgets/Looks.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace wl {

namespace {
const QString PreferencesSection = QStringLiteral("PreferencesWindow");
}

TfmPreferences::TfmPreferences(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmPreferences"));
    UseFormFont(*this);
    const TPreferences& prefs = GetPreferences();
    setWindowTitle(prefs.GetWindowCaption(PreferencesSection));
    // The budget is explained with the charts' limits.
    SetHelpContext(this, ChartListHelpContext);

    lMemoryBudget = new QLabel(prefs.GetText(PreferencesSection, QStringLiteral("MemoryBudget")), this);
    seMemoryBudget = new TParamSpinBox(lMemoryBudget, this);
    seMemoryBudget->setObjectName(QStringLiteral("seMemoryBudget"));
    seMemoryBudget->setRange(MemoryBudgetMinimum, MemoryBudgetMaximum);
    seMemoryBudget->setValue(prefs.MemoryBudget());
    seMemoryBudget->setMinimumWidth(90);
    lMemoryBudget->setBuddy(seMemoryBudget);
    lTolerance = new QLabel(prefs.GetText(PreferencesSection, QStringLiteral("SmallestProbability")), this);
    edTolerance = new QLineEdit(FormatRoundTrip(prefs.Tolerance()), this);
    edTolerance->setObjectName(QStringLiteral("edTolerance"));
    lTolerance->setBuddy(edTolerance);

    btnOK = new QPushButton(prefs.GetButtonText(QStringLiteral("OK")), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = new QPushButton(prefs.GetButtonText(QStringLiteral("Cancel")), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton* button : {btnOK, btnCancel}) {
        button->setFixedSize(80, 22);
        NoDefaultButton(button);
    }
    connect(btnOK, &QPushButton::clicked, this, GuardedSlot(this, &TfmPreferences::btnOKClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lMemoryBudget, 0, 0);
    grid->addWidget(seMemoryBudget, 0, 1);
    grid->addWidget(lTolerance, 1, 0);
    grid->addWidget(edTolerance, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    ApplyFont(*this);
    setFixedSize(sizeHint());
}

void TfmPreferences::btnOKClick() {
    // OK pressed without leaving the field: its text is taken here, or refused.
    if (seMemoryBudget->RefuseOutOfRange() || seMemoryBudget->RefusalPending())
        return;
    const std::optional<double> tolerance = ParseReal(edTolerance->text().trimmed());
    if (!tolerance || !(*tolerance >= 0.0 && *tolerance <= ToleranceMaximum))
        throw ELimitError({QStringLiteral("BadTolerance"),
                           QStringLiteral("The smallest probability followed must be a number from 0 to 1e-9, not "
                                          "\"%s\". Enter, for instance, 1e-15."),
                           {edTolerance->text()}});
    seMemoryBudget->interpretText();
    GetPreferences().SetMemoryBudget(seMemoryBudget->value());
    GetPreferences().SetTolerance(*tolerance);
    accept();
}

} // namespace wl
