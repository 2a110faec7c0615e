#pragma once
// The image size dialog: a new width and height in pixels for the picture,
// optionally holding the ratio of the two while typing. Created once, shown
// without blocking the other windows, always on top, and only hidden.
#include <QDialog>
#include <QSet>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace jollix {
class Editor;
}

class TImage_Size : public QDialog {
    Q_OBJECT
public:
    explicit TImage_Size(jollix::Editor& editor, QWidget* parent = nullptr);

    QLineEdit* Edit1 = nullptr;       // the width
    QLineEdit* Edit2 = nullptr;       // the height
    QCheckBox* CheckBox1 = nullptr;   // "Hold in width and height"
    QToolButton* SpeedButton1 = nullptr;  // "-"
    QToolButton* SpeedButton2 = nullptr;  // "+"
    QPushButton* Button1 = nullptr;   // "OK"
    QPushButton* Button2 = nullptr;   // "Cancel"

    // The handlers, callable directly.
    void FormShow();
    void Edit1KeyUp();
    void Edit2KeyUp();
    void SpeedButton1Click();  // "-"
    void SpeedButton2Click();  // "+"
    void Button1Click();       // "OK"
    void Button2Click();       // "Cancel"

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scaleBoth(int percent);
    // The held ratio: the other field follows the one typed in. A value the
    // conversion rejects is reported once until the field is right again.
    void coupleFields(QLineEdit* typed, QLineEdit* other, bool widthTyped);

    jollix::Editor& editor_;
    QSet<int> keysDown1_, keysDown2_;  // keys pressed in Edit1 and Edit2, not yet released
    QLineEdit* failingField_ = nullptr;
};
