#pragma once
// The program's own help window: the help page shown in a text browser
// whose links work (the page's own contents, other local pages), for
// desktops where no web browser opens it.
#include <QDialog>
#include <QUrl>

class QTextBrowser;
class QPushButton;

namespace jollix {

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the page (a local file, with an optional #part) and brings the
    // window up.
    void showPage(const QUrl& page);

    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
    QPushButton* back_;
    QPushButton* forward_;
};

}  // namespace jollix
