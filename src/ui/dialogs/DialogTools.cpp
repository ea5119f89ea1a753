// Pieces the selector and the editors share.
#include "ui/dialogs/DialogTools.h"

#include "model/NameValidation.h"
#include "preferences/Preferences.h"
#include "support/Exception.h"
#include "ui/widgets/Looks.h"

#include <QCloseEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace wl {

bool ConfirmBox(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QStringLiteral("Confirm"), text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

QString FormatMessage(const QString& key, std::initializer_list<TFormatArg> args) {
    const TPreferences& prefs = GetPreferences();
    try {
        return prefs.FormatMessageText(key, args);
    } catch (const EFormatError&) {
        try {
            return prefs.FormatMessageText(key, {});
        } catch (const EFormatError&) {
        }
        throw;
    }
}

void InformationBox(QWidget* parent, const QString& text) {
    const QString caption = parent != nullptr ? parent->windowTitle().trimmed() : QString();
    QMessageBox::information(parent, caption, text);
}

QLabel* MakeHeaderBar(QLabel* label, int height) {
    QLabel* bar = StyleHeader(label);
    bar->setAlignment(Qt::AlignCenter);
    bar->setFixedHeight(height);
    return bar;
}

bool AcceptName(QWidget* parent, const QString& name, const QStringList& keys, int ownIndex) {
    const QString problem = ValidateName(name, keys, ownIndex, &GetPreferences());
    if (problem.isEmpty())
        return true;
    InformationBox(parent, problem);
    return false;
}

void UseFormFont(QWidget& form) {
    QFont f = form.font();
    f.setPointSize(8);
    form.setFont(f);
}

void NoDefaultButton(QWidget* button) {
    if (auto* push = qobject_cast<QPushButton*>(button)) {
        push->setAutoDefault(false);
        push->setDefault(false);
    }
}

bool TEditorForm::MayDiscard() {
    return !Changed() || ConfirmBox(this, GetPreferences().GetMessageText(QStringLiteral("DiscardChanges")));
}

void TEditorForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        if (MayDiscard())
            reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TEditorForm::closeEvent(QCloseEvent* event) {
    if (isVisible() && !MayDiscard()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace wl
