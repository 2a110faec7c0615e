#include "ui/image_size_dialog.h"

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

} // namespace

TImage_Size::TImage_Size(jollix::Editor& editor, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      editor_(editor) {
    setObjectName(QStringLiteral("Image_Size"));
    setWindowTitle(QStringLiteral("Image_Size"));
    setModal(false);
    move(55, 181);

    // The designed positions; each label has the room up to the control
    // after it. fitTexts() below makes more room where the system's fonts
    // need it, and the window grows by as much.
    auto* label1 = place(new QLabel(QStringLiteral("Width:"), this), "Label1", 16, 28, 38, 17);
    Edit1 = place(new QLineEdit(this), "Edit1", 56, 24, 57, 21);
    auto* label3 = place(new QLabel(QStringLiteral("Pixels"), this), "Label3", 120, 28, 44, 17);
    auto* label2 = place(new QLabel(QStringLiteral("Height:"), this), "Label2", 16, 69, 38, 17);
    Edit2 = place(new QLineEdit(this), "Edit2", 56, 65, 57, 21);
    auto* label4 = place(new QLabel(QStringLiteral("Pixels"), this), "Label4", 120, 69, 44, 17);

    CheckBox1 = place(new QCheckBox(QStringLiteral("Hold in width and height"), this), "CheckBox1", 168, 26,
                      313 - 168 - 6, 20);
    CheckBox1->setChecked(true);

    QFont big = font();
    big.setPixelSize(16);
    SpeedButton2 = place(new QToolButton(this), "SpeedButton2", 168, 64, 23, 22);
    SpeedButton2->setText(QStringLiteral("+"));
    SpeedButton1 = place(new QToolButton(this), "SpeedButton1", 200, 64, 23, 22);
    SpeedButton1->setText(QStringLiteral("-"));
    for (QToolButton* b : {SpeedButton1, SpeedButton2}) {
        b->setAutoRaise(true);  // flat
        b->setFont(big);
        b->setFocusPolicy(Qt::NoFocus);
    }

    Button1 = place(new QPushButton(QStringLiteral("OK"), this), "Button1", 16, 136, 75, 25);
    Button2 = place(new QPushButton(QStringLiteral("Cancel"), this), "Button2", 168, 136, 75, 25);
    Button1->setDefault(true);

    // The two rows keep their fields one under the other: the captions of a
    // column get the room the wider one needs.
    setFixedSize(QSize(313, 195) + jollix::fitTexts(this, {{label1, label2}, {label3, label4}}));

    // The coupling of the two fields runs when a key is released in them,
    // never when the program sets their text.
    Edit1->installEventFilter(this);
    Edit2->installEventFilter(this);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TImage_Size::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Every showing reloads the fields; restoring a minimised window is not one.
    if (!event->spontaneous()) FormShow();
}

bool TImage_Size::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == Edit1 || watched == Edit2)) {
        // Keys released elsewhere (in a message box, say) never come back.
        (watched == Edit1 ? keysDown1_ : keysDown2_).clear();
    } else if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
               (watched == Edit1 || watched == Edit2)) {
        auto* key = static_cast<QKeyEvent*>(event);
        QSet<int>& down = watched == Edit1 ? keysDown1_ : keysDown2_;
        if (event->type() == QEvent::KeyPress) {
            down.insert(key->key());
        } else if (!key->isAutoRepeat() && down.remove(key->key())) {
            // Only the release of a key pressed in the field: the release of
            // Enter that closed a message box must not run the field again.
            if (watched == Edit1) Edit1KeyUp();
            else Edit2KeyUp();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TImage_Size::FormShow() {
    Edit1->setText(QString::number(editor_.picture().width()));
    Edit2->setText(QString::number(editor_.picture().height()));
    failingField_ = nullptr;
}

void TImage_Size::coupleFields(QLineEdit* typed, QLineEdit* other, bool widthTyped) {
    try {
        const std::string text = textOf(typed);
        if (CheckBox1->isChecked() && jollix::IsAllDigits(text)) {
            const jollix::Picture& pic = editor_.picture();
            const int32_t value = jollix::StrToInt(text);
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

void TImage_Size::Edit1KeyUp() { coupleFields(Edit1, Edit2, true); }

void TImage_Size::Edit2KeyUp() { coupleFields(Edit2, Edit1, false); }

void TImage_Size::scaleBoth(int percent) {
    // Both fields are read and scaled before either changes, so a field the
    // conversion rejects leaves both as they were.
    jollix::guarded([&] {
        const int32_t w = jollix::scaledByPercent(jollix::StrToInt(textOf(Edit1)), percent);
        const int32_t h = jollix::scaledByPercent(jollix::StrToInt(textOf(Edit2)), percent);
        Edit1->setText(QString::number(w));
        Edit2->setText(QString::number(h));
    });
}

void TImage_Size::SpeedButton1Click() { scaleBoth(jollix::kShrinkPercent); }

void TImage_Size::SpeedButton2Click() { scaleBoth(jollix::kGrowPercent); }

void TImage_Size::Button1Click() {
    jollix::guarded([&] {
        const auto size = jollix::typedSize(textOf(Edit1), textOf(Edit2));
        if (!size) {
            QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                            QString::fromLatin1(jollix::kInvalidSizeMessage), QMessageBox::Ok, this);
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

void TImage_Size::Button2Click() { hide(); }
