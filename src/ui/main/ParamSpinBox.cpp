// The chart parameter field.
#include "ui/main/ParamSpinBox.h"

#include "preferences/Preferences.h"
#include "support/Numbers.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace wl {

TParamSpinBox::TParamSpinBox(QLabel* label, QWidget* parent) : QSpinBox(parent), FLabel(label) {
    // Typing 500 would otherwise pass through 5 and 50, each taken, or refused, on its own.
    setKeyboardTracking(false);
}

QValidator::State TParamSpinBox::validate(QString& text, int& pos) const {
    const QValidator::State state = QSpinBox::validate(text, pos);
    // A number out of range stays in the field until it is taken, so that it can be refused in words.
    const QString t = text.trimmed();
    if (state == QValidator::Invalid && (ParseInteger(t) || t == QLatin1String("-") || t == QLatin1String("+")))
        return QValidator::Intermediate;
    return state;
}

void TParamSpinBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        RefuseOutOfRange();
    QSpinBox::keyPressEvent(event);
}

void TParamSpinBox::focusOutEvent(QFocusEvent* event) {
    RefuseOutOfRange();
    QSpinBox::focusOutEvent(event);
}

bool TParamSpinBox::RefuseOutOfRange() {
    const std::optional<int32_t> typed = ParseInteger(cleanText().trimmed());
    if (!typed || (*typed >= minimum() && *typed <= maximum()))
        return false;
    const QString name = FLabel != nullptr ? FLabel->text().trimmed() : QString();
    Refuse(value(), MessageText(&GetPreferences(), QStringLiteral("ParamRange"),
                                QStringLiteral("For \"%s\" type a whole number from %d to %d. The field keeps %d."),
                                {name, minimum(), maximum(), value()}));
    return true;
}

void TParamSpinBox::Refuse(int value, const QString& message) {
    {
        const QSignalBlocker quiet(this);
        setValue(value);
        // setValue leaves a text of the same value as it stands; the refused text must go.
        lineEdit()->setText(textFromValue(value));
    }
    FRefusal.Show(message);
}

} // namespace wl
