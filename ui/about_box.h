#pragma once
// The about box "About_us": the program icon, the product's web address and
// a read-only scrolling text with the name, version, release time and the
// contacts. Shown without blocking the other windows, always on top.
#include <QDialog>

class QLabel;
class QPlainTextEdit;

namespace jollix {

// The lines of the about box's text, blank lines between the entries;
// the website is the home page (see homePage()).
QString aboutText();

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    QLabel* iconLabel;        // the program icon
    QLabel* addressLabel;     // the home page's address, a link that opens it (linkActivated)
    QPlainTextEdit* textBox;  // the text
};

}  // namespace jollix
