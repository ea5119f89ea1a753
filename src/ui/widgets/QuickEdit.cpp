// Name completion on a line edit.
#include "ui/widgets/QuickEdit.h"

#include "ui/widgets/Guard.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace wl {

TQuickEdit::TQuickEdit(QLineEdit& edit, const QStringList& names) : FEdit(&edit), FEditor(names) {
    // Only typing completes, not setText. The field emits textEdited before textChanged, so completing is left to
    // textChanged: the field's own handlers, connected earlier, see the typed text first and the completed text last.
    FEdited = connect(&edit, &QLineEdit::textEdited, this, [this] { FTyped = true; });
    FChanged = connect(&edit, &QLineEdit::textChanged, this, GuardedSlot(this, &TQuickEdit::EditTextChanged));
    edit.installEventFilter(this);
}

TQuickEdit::~TQuickEdit() {
    disconnect(FEdited);
    disconnect(FChanged);
    if (FEdit)
        FEdit->removeEventFilter(this);
}

bool TQuickEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FEdit && event->type() == QEvent::KeyPress)
        Guarded(FEdit, [&] { FEditor.KeyDown(static_cast<QKeyEvent*>(event)->key()); });
    return QObject::eventFilter(watched, event);
}

void TQuickEdit::EditTextChanged(const QString& text) {
    if (!FEdit || !FTyped)
        return;
    FTyped = false;
    const auto completion = FEditor.TextChanged(text);
    if (!completion || completion->Text == text)
        return;
    FEdit->setText(completion->Text);
    // A negative length selects backwards, leaving the caret where the typing stopped.
    FEdit->setSelection(completion->SelectionStart + completion->SelectionLength, -completion->SelectionLength);
}

} // namespace wl
