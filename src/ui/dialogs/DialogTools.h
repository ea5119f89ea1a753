// Small pieces the selector and the editors share: confirmations, caption bars, the name check on OK.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class QCloseEvent;
class QKeyEvent;
class QLabel;
class QWidget;

namespace wl {

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

// What the two editors share: Escape and the window's close button ask before a changed working copy is thrown
// away. The Cancel button discards without asking: it says what it does.
class TEditorForm : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    // Whether closing now would lose anything: the working copy differs from what was opened, or a cell is open.
    virtual bool Changed() const = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool MayDiscard();
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

} // namespace wl
