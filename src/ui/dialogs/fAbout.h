// The about box: the product picture, title, version and date, legal notice, and the site and mail links. The
// title and the addresses are fixed; the rest is in the chosen language.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>

class QLabel;
class QPushButton;

namespace wl {

class TfmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfmAbout(QWidget* parent = nullptr);

    void lURLClick();
    void lMailClick();

    QLabel* ImageAbout = nullptr;
    QLabel* lTitle = nullptr;
    QLabel* lVersion = nullptr;
    QLabel* lNotice = nullptr;
    QLabel* lURL = nullptr;
    QLabel* lMail = nullptr;
    QPushButton* btnOK = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
};

// Opens the about box modally over parent's screen.
void ShowAbout(QWidget* parent);

// A raw resource of the program with "BM" put in front, read as a bitmap; a null image when there is none.
QImage LoadResourceBitmap(const QString& name);

// "Version <version>  (<the program file's date>)", the word and the short date format in the chosen language.
QString AboutVersionText();

} // namespace wl
