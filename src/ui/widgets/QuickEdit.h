// Name completion on a line edit: feeds the user's edits and keys to TQuickEditor and shows its completions.
#pragma once

#include "preferences/QuickEditor.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QLineEdit;

namespace wl {

// Attaches at construction and detaches at destruction; the field keeps its other handlers throughout.
class TQuickEdit : public QObject {
    Q_OBJECT
public:
    TQuickEdit(QLineEdit& edit, const QStringList& names);
    ~TQuickEdit() override;
    TQuickEdit(const TQuickEdit&) = delete;
    TQuickEdit& operator=(const TQuickEdit&) = delete;

    bool Stopped() const { return FEditor.Stopped(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EditTextChanged(const QString& text);

    QPointer<QLineEdit> FEdit;
    TQuickEditor FEditor;
    bool FTyped = false;
    QMetaObject::Connection FEdited;
    QMetaObject::Connection FChanged;
};

} // namespace wl
