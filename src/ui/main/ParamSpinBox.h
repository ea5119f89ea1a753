// A chart parameter field that refuses, with a message, what it cannot take instead of changing it silently.
#pragma once

#include "ui/dialogs/DialogTools.h"

#include <QSpinBox>
#include <QString>

class QLabel;

namespace wl {

// Typed values are taken on Enter or on leaving the field; the arrows and the wheel take them at once. A whole
// number beyond the field's range can be typed, and is then refused with a message naming the label's text.
class TParamSpinBox : public QSpinBox {
    Q_OBJECT
public:
    TParamSpinBox(QLabel* label, QWidget* parent);

    // Shows value again without a change signal, and message in a box once the current event is done.
    void Refuse(int value, const QString& message);
    // Refuses a typed whole number outside the range; true when it did.
    bool RefuseOutOfRange();
    bool RefusalPending() const { return FRefusal.Pending(); }

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QLabel* FLabel;
    TRefusal FRefusal{*this};
};

} // namespace wl
