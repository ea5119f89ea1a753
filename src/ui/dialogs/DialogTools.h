// Small pieces the selector and the editors share: confirmations, caption bars, the name check on OK.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class QLabel;
class QWidget;

namespace wl {

// The toolkit's own confirmation box: caption "Confirm", buttons OK and Cancel. True on OK.
bool ConfirmBox(QWidget* parent, const QString& text);

// A short message in a box of the dialog.
void InformationBox(QWidget* parent, const QString& text);

// Turns a header label into a caption bar of the given height and returns the label now in its place.
QLabel* MakeHeaderBar(QLabel* label, int height);

// Refuses a name that cannot be stored, with a message in the dialog. True when the name may be taken.
bool AcceptName(QWidget* parent, const QString& name, const QStringList& keys, int ownIndex);

// The forms' pixel sizes are made for an 8-point interface font, whatever the desktop's text size.
void UseFormFont(QWidget& form);

// Buttons that Enter must not press: the dialogs have no default button.
void NoDefaultButton(QWidget* button);

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
