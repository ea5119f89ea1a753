// Pieces the selector and the editors share.
#include "ui/dialogs/DialogTools.h"

#include "model/NameValidation.h"
#include "preferences/Preferences.h"
#include "ui/dialogs/EditorGrid.h"
#include "ui/widgets/Guard.h"
#include "ui/widgets/HelpContext.h"
#include "ui/widgets/Looks.h"
#include "ui/widgets/QuickEdit.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <utility>

namespace wl {

namespace {

// The box's buttons in the chosen language; a language file without the key keeps the toolkit's text.
void UseButtonTexts(QMessageBox& box) {
    const TPreferences& prefs = GetPreferences();
    const std::pair<QMessageBox::StandardButton, const char*> buttons[] = {{QMessageBox::Ok, "OK"},
                                                                           {QMessageBox::Cancel, "Cancel"}};
    for (const auto& [which, key] : buttons) {
        const QString text = prefs.GetButtonText(QString::fromLatin1(key));
        if (QAbstractButton* button = box.button(which); button != nullptr && !text.isEmpty())
            button->setText(text);
    }
}

} // namespace

bool ConfirmBox(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, GetPreferences().GetMessageText(QStringLiteral("Confirm")), text,
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Ok);
    UseButtonTexts(box);
    return box.exec() == QMessageBox::Ok;
}

void InformationBox(QWidget* parent, const QString& text) {
    const QString caption = parent != nullptr ? parent->windowTitle().trimmed() : QString();
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
    UseButtonTexts(box);
    box.exec();
}

void TRefusal::Show(const QString& text) {
    if (FPending)
        return;
    FPending = true;
    QMetaObject::invokeMethod(
        &FOwner,
        [this, text] {
            const QPointer<QWidget> alive(&FOwner);
            InformationBox(FOwner.window(), text);
            if (alive)
                FPending = false;
        },
        Qt::QueuedConnection);
}

QLabel* MakeHeaderBar(QLabel* label, int height) {
    QLabel* bar = StyleHeader(label);
    bar->setAlignment(Qt::AlignCenter);
    bar->setFixedHeight(height);
    return bar;
}

bool AcceptName(QWidget* parent, const QString& name, const QStringList& keys, int ownIndex) {
    const QString problem = ValidateName(name, keys, ownIndex, &GetPreferences());
    if (problem.isEmpty())
        return true;
    InformationBox(parent, problem);
    return false;
}

void UseFormFont(QWidget& form) {
    QFont f = form.font();
    f.setPointSize(8);
    form.setFont(f);
}

void NoDefaultButton(QWidget* button) {
    if (auto* push = qobject_cast<QPushButton*>(button)) {
        push->setAutoDefault(false);
        push->setDefault(false);
    }
}

TEditorForm::TEditorForm(QWidget* parent, const QString& title, int helpContext) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(title);
    SetHelpContext(this, helpContext);
    UseFormFont(*this);
}

TEditorForm::~TEditorForm() = default;

void TEditorForm::OpenNames(const QString* ownName, const QStringList& names, QLineEdit& nameEdit) {
    FNames = names;
    FOwnIndex = ownName != nullptr ? static_cast<int>(names.indexOf(*ownName)) : -1;
    FQuickEdit = std::make_unique<TQuickEdit>(nameEdit, names);
}

void TEditorForm::showEvent(QShowEvent* event) {
    if (!FShown) {
        FShown = true;
        Guarded(this, [this] { FormShow(); });
    }
    QDialog::showEvent(event);
}

void TEditorForm::done(int r) {
    if (r == QDialog::Accepted) {
        if (FEditorGrid != nullptr)
            FEditorGrid->CommitEdit();
        // A refused cell is reported before anything is taken over.
        if (RefusalPending())
            return;
        if (!AcceptName(this, WorkingName(), FNames, FOwnIndex))
            return;
    }
    QDialog::done(r);
}

bool TEditorForm::MayDiscard() {
    return !Changed() || ConfirmBox(this, GetPreferences().GetMessageText(QStringLiteral("DiscardChanges")));
}

void TEditorForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        if (MayDiscard())
            reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TEditorForm::closeEvent(QCloseEvent* event) {
    if (isVisible() && !MayDiscard()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace wl
