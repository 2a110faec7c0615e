#include "ui/image_size_dialog.h"
#include "ui/translations.h"

#include <QCheckBox>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QShowEvent>
#include <QToolButton>

#include "core/error.h"
#include "core/size_text.h"
#include "editor/editor.h"
#include "io/picture_files.h"
#include "ui/error_handling.h"
#include "ui/text_fit.h"

namespace {

std::string textOf(const QLineEdit* edit) { return edit->text().toStdString(); }

// Places a control at its designed position.
template <class W>
W* place(W* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

}  // namespace

ImageSizeDialog::ImageSizeDialog(jollix::Editor& editor, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      editor_(editor) {
    setObjectName(tr("Image_Size"));
    setWindowTitle(tr("Image_Size"));
    setModal(false);
    move(55, 181);

    // The designed positions; each label has the room up to the control
    // after it. fitTexts() below makes more room where the system's fonts
    // need it, and the window grows by as much.
    auto* label1 = place(new QLabel(tr("Width:"), this), "Label1", 16, 28, 38, 17);
    widthEdit = place(new QLineEdit(this), "Edit1", 56, 24, 57, 21);
    auto* label3 = place(new QLabel(tr("Pixels"), this), "Label3", 120, 28, 44, 17);
    auto* label2 = place(new QLabel(tr("Height:"), this), "Label2", 16, 69, 38, 17);
    heightEdit = place(new QLineEdit(this), "Edit2", 56, 65, 57, 21);
    auto* label4 = place(new QLabel(tr("Pixels"), this), "Label4", 120, 69, 44, 17);

    holdRatioBox = place(new QCheckBox(tr("Hold in width and height"), this), "CheckBox1", 168, 26, 313 - 168 - 6, 20);
    holdRatioBox->setChecked(true);

    QFont big = font();
    big.setPixelSize(16);
    growButton = place(new QToolButton(this), "SpeedButton2", 168, 64, 23, 22);
    growButton->setText(QStringLiteral("+"));
    shrinkButton = place(new QToolButton(this), "SpeedButton1", 200, 64, 23, 22);
    shrinkButton->setText(QStringLiteral("-"));
    for (QToolButton* b : {shrinkButton, growButton}) {
        b->setAutoRaise(true);  // flat
        b->setFont(big);
        b->setFocusPolicy(Qt::NoFocus);
    }

    okButton = place(new QPushButton(tr("OK"), this), "Button1", 16, 136, 75, 25);
    cancelButton = place(new QPushButton(tr("Cancel"), this), "Button2", 168, 136, 75, 25);
    okButton->setDefault(true);

    // The two rows keep their fields one under the other: the captions of a
    // column get the room the wider one needs.
    setFixedSize(QSize(313, 195) + jollix::fitTexts(this, {{label1, label2}, {label3, label4}}));

    // The coupling of the two fields runs when a key is released in them,
    // never when the program sets their text.
    widthEdit->installEventFilter(this);
    heightEdit->installEventFilter(this);

    connect(shrinkButton, &QToolButton::clicked, this, [this] { shrinkClicked(); });
    connect(growButton, &QToolButton::clicked, this, [this] { growClicked(); });
    connect(okButton, &QPushButton::clicked, this, [this] { accept(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
}

void ImageSizeDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Every showing reloads the fields; restoring a minimised window is not one.
    if (!event->spontaneous()) prepareFields();
}

bool ImageSizeDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == widthEdit || watched == heightEdit)) {
        // Keys released elsewhere (in a message box, say) never come back.
        (watched == widthEdit ? widthKeysDown_ : heightKeysDown_).clear();
    } else if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
               (watched == widthEdit || watched == heightEdit)) {
        auto* key = static_cast<QKeyEvent*>(event);
        QSet<int>& down = watched == widthEdit ? widthKeysDown_ : heightKeysDown_;
        if (event->type() == QEvent::KeyPress) {
            down.insert(key->key());
        } else if (!key->isAutoRepeat() && down.remove(key->key())) {
            // Only the release of a key pressed in the field: the release of
            // Enter that closed a message box must not run the field again.
            if (watched == widthEdit)
                widthTyped();
            else
                heightTyped();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ImageSizeDialog::prepareFields() {
    widthEdit->setText(QString::number(editor_.picture().width()));
    heightEdit->setText(QString::number(editor_.picture().height()));
    failingField_ = nullptr;
}

void ImageSizeDialog::coupleFields(QLineEdit* typed, QLineEdit* other, bool widthTyped) {
    try {
        const std::string text = textOf(typed);
        if (holdRatioBox->isChecked() && jollix::isAllDigits(text)) {
            const jollix::Picture& pic = editor_.picture();
            const int32_t value = jollix::parseInteger(text);
            other->setText(QString::number(widthTyped ? jollix::heldRatioValue(value, pic.height(), pic.width())
                                                      : jollix::heldRatioValue(value, pic.width(), pic.height())));
        }
        if (failingField_ == typed) failingField_ = nullptr;
    } catch (...) {
        // Said once; while the user corrects the field (or types on), the
        // message does not come back at every key.
        if (failingField_ == typed) return;
        failingField_ = typed;
        jollix::reportError(jollix::currentExceptionMessage());
    }
}

void ImageSizeDialog::widthTyped() { coupleFields(widthEdit, heightEdit, true); }

void ImageSizeDialog::heightTyped() { coupleFields(heightEdit, widthEdit, false); }

void ImageSizeDialog::scaleBoth(int percent) {
    // Both fields are read and scaled before either changes, so a field the
    // conversion rejects leaves both as they were.
    jollix::guarded([&] {
        const int32_t w = jollix::scaledByPercent(jollix::parseInteger(textOf(widthEdit)), percent);
        const int32_t h = jollix::scaledByPercent(jollix::parseInteger(textOf(heightEdit)), percent);
        widthEdit->setText(QString::number(w));
        heightEdit->setText(QString::number(h));
    });
}

void ImageSizeDialog::shrinkClicked() { scaleBoth(jollix::kShrinkPercent); }

void ImageSizeDialog::growClicked() { scaleBoth(jollix::kGrowPercent); }

void ImageSizeDialog::accept() {
    jollix::guarded([&] {
        const auto size = jollix::typedSize(textOf(widthEdit), textOf(heightEdit));
        if (!size) {
            QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                            jollix::uiText(jollix::kInvalidSizeMessage), QMessageBox::Ok, this);
            box.setObjectName(QStringLiteral("InvalidSizeMessage"));
            box.exec();
            return;
        }
        // The same bound as for opened pictures: a size typed by mistake must
        // not exhaust the memory and take the work with it.
        if (uint64_t(size->width) * uint64_t(size->height) > jollix::kMaxPicturePixels)
            throw jollix::JollixError("A picture of " + std::to_string(size->width) + " x " +
                                      std::to_string(size->height) + " pixels is too large");
        editor_.resizePicture(size->width, size->height);
        hide();
    });
}

void ImageSizeDialog::cancel() { hide(); }
