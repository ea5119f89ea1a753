// The shared looks: font choice, caption bars and links.
#include "ui/widgets/Looks.h"

#include "ui/widgets/GradientLabel.h"

#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QWidget>

namespace wl {

namespace {

QString& FontNameStore() {
    static QString name = QStringLiteral("MS Shell Dlg");
    return name;
}

// "MS Shell Dlg" names the platform's dialog font; off Windows that is the general system font.
QString ResolvedFamily(const QString& name) {
    if (QFontDatabase::hasFamily(name))
        return name;
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

} // namespace

QString ChooseFontName() {
    const QString tahoma = QStringLiteral("Tahoma");
    return QFontDatabase::hasFamily(tahoma) ? tahoma : QStringLiteral("MS Shell Dlg");
}

void SetInterfaceFontName(const QString& name) {
    FontNameStore() = name;
}

QString InterfaceFontName() {
    return FontNameStore();
}

void ApplyFont(QFont& font) {
    font.setFamilies({ResolvedFamily(FontNameStore())});
}

void ApplyFont(QWidget& widget) {
    QFont f = widget.font();
    ApplyFont(f);
    widget.setFont(f);
}

QLabel* StyleHeader(QLabel* label) {
    if (label == nullptr)
        return nullptr;
    QFont f = label->font();
    ApplyFont(f);
    f.setBold(true);
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    pal.setColor(QPalette::Window, label->palette().color(QPalette::Dark));
    label->setPalette(pal);
    label->setAutoFillBackground(true);

    if (auto* gradient = qobject_cast<TGradientLabel*>(label))
        return gradient;

    QWidget* parent = label->parentWidget();
    auto* replacement = new TGradientLabel(parent); // owned by the old label's parent
    replacement->AssignFrom(*label);
    if (parent != nullptr && parent->layout() != nullptr) {
        delete parent->layout()->replaceWidget(label, replacement);
    } else {
        replacement->setGeometry(label->geometry());
    }
    replacement->setVisible(true);
    label->hide();
    label->deleteLater();
    return replacement;
}

void StyleLink(QLabel& label) {
    QFont f = label.font();
    f.setUnderline(true);
    f.setBold(false);
    f.setItalic(false);
    f.setStrikeOut(false);
    label.setFont(f);
    QPalette pal = label.palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label.setPalette(pal);
}

} // namespace wl
