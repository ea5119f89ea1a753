// Name completion for the editors' name fields, without the widget: the line-edit glue feeds it the user's edits.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace wl {

class TQuickEditor {
public:
    struct TCompletion {
        QString Text;        // the whole completed name, to put in the field
        int SelectionStart;  // caret position: the length of what was typed
        int SelectionLength; // the completed tail, selected so that typing replaces it
    };

    // names: the candidates, searched in this order.
    explicit TQuickEditor(QStringList names);

    // Call after each change of the field's text made by the user (not by the completion itself). Returns the
    // completion to show, if any. The first text that no name starts with (case-sensitive) stops completion.
    std::optional<TCompletion> TextChanged(const QString& text);

    // Call on every key press with its Qt::Key code: navigation keys, Insert and Delete stop completion for good.
    void KeyDown(int key);
    static bool StopsCompletion(int key);

    bool Stopped() const { return FStopped; }

private:
    QStringList FNames;
    bool FStopped = false;
};

} // namespace wl
