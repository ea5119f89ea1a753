// Name completion: the first name that starts with what was typed fills the field, its tail selected.
#include "preferences/QuickEditor.h"

#include <Qt>

#include <utility>

namespace wl {

TQuickEditor::TQuickEditor(QStringList names) : FNames(std::move(names)) {}

std::optional<TQuickEditor::TCompletion> TQuickEditor::TextChanged(const QString& text) {
    if (FStopped || text.isEmpty())
        return std::nullopt;
    for (const QString& name : FNames) {
        if (name.startsWith(text, Qt::CaseSensitive)) {
            const int typed = static_cast<int>(text.size());
            return TCompletion{name, typed, static_cast<int>(name.size()) - typed};
        }
    }
    FStopped = true;
    return std::nullopt;
}

void TQuickEditor::KeyDown(int key) {
    if (StopsCompletion(key))
        FStopped = true;
}

bool TQuickEditor::StopsCompletion(int key) {
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
        return true;
    default:
        return false;
    }
}

} // namespace wl
