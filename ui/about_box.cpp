#include "ui/about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/help_page.h"
#include "ui/icons.h"

namespace jollix {

QString aboutText() {
    return QStringLiteral(
               "Name: Jollix\n"
               "\n"
               "Version: " JOLLIX_VERSION
               "\n"
               "\n"
               "Author: The Jollix team\n"
               "\n"
               "Release time: 09/05/2008\n"
               "\n"
               "Publisher: Jollix Studio\n"
               "\n"
               "Website:\n"
               "%1\n"
               "\n"
               "Support:\n"
               "support@jollix.example\n"
               "\n"
               "WebMaster;\n"
               "webmaster@jollix.example\n"
               "\n"
               "Tech-support: \n"
               "tech@jollix.example\n"
               "\n"
               "Sales:\n"
               "sales@jollix.example")
        .arg(shownAddress(homePage()));
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(tr("About_us"));
    setWindowTitle(tr("About_us"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(false);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);

    iconLabel = new QLabel(panel);
    iconLabel->setPixmap(icons::program().pixmap(32, 32));
    iconLabel->setFixedSize(32, 32);

    addressLabel = new QLabel(panel);
    const QUrl home = homePage();
    addressLabel->setText(
        QStringLiteral("<a href=\"%1\">%2</a>")
            .arg(home.toString(QUrl::FullyEncoded).toHtmlEscaped(), shownAddress(home).toHtmlEscaped()));
    addressLabel->setTextFormat(Qt::RichText);
    // The main window opens it as "Online" does, with the help window when
    // no browser opens it.
    addressLabel->setOpenExternalLinks(false);
    addressLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);

    textBox = new QPlainTextEdit(panel);
    textBox->setReadOnly(true);
    textBox->setPlainText(aboutText());
    textBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette grey = textBox->palette();
    grey.setColor(QPalette::Base, QColor(0xE0, 0xE0, 0xE0));
    textBox->setPalette(grey);
    // 260 x 160 unless the system's font needs more width for the longest
    // line: the lines are never wrapped.
    textBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    int longest = 0;
    for (const QString& line : aboutText().split(QLatin1Char('\n')))
        longest = std::max(longest, textBox->fontMetrics().horizontalAdvance(line));
    const int chrome = 2 * textBox->frameWidth() + 2 * int(textBox->document()->documentMargin()) +
                       textBox->verticalScrollBar()->sizeHint().width() + 4;
    textBox->setFixedSize(std::max(260, longest + chrome), 160);

    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel);
    top->addWidget(addressLabel, 1);
    auto* inner = new QVBoxLayout(panel);
    inner->addLayout(top);
    inner->addWidget(textBox);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::hide);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(panel);
    outer->addWidget(buttons);
    setFixedSize(sizeHint());
}

}  // namespace jollix
