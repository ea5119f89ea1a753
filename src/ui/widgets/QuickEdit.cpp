// Name completion on a line edit.
#include "ui/widgets/QuickEdit.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace wl {

TQuickEdit::TQuickEdit(QLineEdit& edit, const QStringList& names) : FEdit(&edit), FEditor(names) {
    // textEdited, not textChanged: the completion's own setText must not count as typing.
    FConnection = connect(&edit, &QLineEdit::textEdited, this, &TQuickEdit::EditTextEdited);
    edit.installEventFilter(this);
}

TQuickEdit::~TQuickEdit() {
    disconnect(FConnection);
    if (FEdit)
        FEdit->removeEventFilter(this);
}

bool TQuickEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FEdit && event->type() == QEvent::KeyPress)
        FEditor.KeyDown(static_cast<QKeyEvent*>(event)->key());
    return QObject::eventFilter(watched, event);
}

void TQuickEdit::EditTextEdited(const QString& text) {
    if (!FEdit)
        return;
    const auto completion = FEditor.TextChanged(text);
    if (!completion || completion->Text == text)
        return;
    FEdit->setText(completion->Text);
    // A negative length selects backwards, leaving the caret where the typing stopped.
    FEdit->setSelection(completion->SelectionStart + completion->SelectionLength, -completion->SelectionLength);
}

} // namespace wl
