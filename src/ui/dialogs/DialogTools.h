// Small pieces the selector and the editors share: confirmations, caption bars, the name check on OK.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class QCloseEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QShowEvent;
class QWidget;

namespace wl {

class TEditorGrid;
class TQuickEdit;

// A confirmation box: caption "Confirm" and buttons OK and Cancel, in the chosen language. True on OK.
bool ConfirmBox(QWidget* parent, const QString& text);

// A short message in a box of the dialog, its OK button in the chosen language.
void InformationBox(QWidget* parent, const QString& text);

// A refusal of what was typed, shown in a box over the owner's window once the event that took the text is done: a
// box opened while a cell stores its text takes the focus, which would store it again. A form is not accepted while
// a refusal is pending.
class TRefusal {
public:
    explicit TRefusal(QWidget& owner) : FOwner(owner) {}
    // One box at a time: a second refusal before the first is shown is dropped.
    void Show(const QString& text);
    bool Pending() const { return FPending; }

private:
    QWidget& FOwner;
    bool FPending = false;
};

// Turns a header label into a caption bar of the given height and returns the label now in its place.
QLabel* MakeHeaderBar(QLabel* label, int height);

// Refuses a name that cannot be stored, with a message in the dialog. True when the name may be taken.
bool AcceptName(QWidget* parent, const QString& name, const QStringList& keys, int ownIndex);

// The forms' pixel sizes are made for an 8-point interface font, whatever the desktop's text size.
void UseFormFont(QWidget& form);

// Buttons that Enter must not press: the dialogs have no default button.
void NoDefaultButton(QWidget* button);

// What the two editors share, as editors of a working copy with a name and a grid: the window's looks, the name
// checked on OK and completed while typed, the form filled in once when first shown, OK taking the open cell, and
// Escape and the window's close button asking before a changed working copy is thrown away. The Cancel button
// discards without asking: it says what it does.
class TEditorForm : public QDialog {
    Q_OBJECT
public:
    TEditorForm(QWidget* parent, const QString& title, int helpContext);
    ~TEditorForm() override;

    // Whether closing now would lose anything: the working copy differs from what was opened, or a cell is open.
    virtual bool Changed() const = 0;

public Q_SLOTS:
    void done(int r) override;

protected:
    // The names of the list in list order, checked on OK and completed in nameEdit; ownName is the edited one's
    // (none for a new one), which it may keep.
    void OpenNames(const QString* ownName, const QStringList& names, QLineEdit& nameEdit);
    void SetEditorGrid(TEditorGrid* grid) { FEditorGrid = grid; }
    virtual QString WorkingName() const = 0;
    // Whether a refused cell is still to be reported: OK waits for it.
    virtual bool RefusalPending() const = 0;
    // Fills the form from the working copy and the language, once, when first shown.
    virtual void FormShow() = 0;

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool MayDiscard();

    QStringList FNames;
    int FOwnIndex = -1;
    bool FShown = false;
    TEditorGrid* FEditorGrid = nullptr;
    std::unique_ptr<TQuickEdit> FQuickEdit;
};

// Runs an editor form modally on a working copy of original (none: a new object) and returns the accepted copy,
// or none on Cancel. The form has Open(const T*, names) and a public WorkingCopy.
template <class TForm, class T>
std::unique_ptr<T> RunEditor(const T* original, const QStringList& names, QWidget* parent) {
    auto form = std::make_unique<TForm>(parent);
    form->Open(original, names);
    if (form->exec() != QDialog::Accepted)
        return nullptr;
    auto result = std::make_unique<T>();
    result->Assign(form->WorkingCopy);
    return result;
}

// The same on a copy of original, taken over into edited on OK; false on Cancel.
template <class TForm, class T>
bool RunEditorOn(const T& original, const QStringList& names, T& edited, QWidget* parent) {
    const std::unique_ptr<T> result = RunEditor<TForm>(&original, names, parent);
    if (!result)
        return false;
    edited.Assign(*result);
    return true;
}

} // namespace wl
