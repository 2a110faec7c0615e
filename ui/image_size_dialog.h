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

class ImageSizeDialog : public QDialog {
    Q_OBJECT
public:
    explicit ImageSizeDialog(jollix::Editor& editor, QWidget* parent = nullptr);

    QLineEdit* widthEdit = nullptr;       // the width
    QLineEdit* heightEdit = nullptr;      // the height
    QCheckBox* holdRatioBox = nullptr;    // "Hold in width and height"
    QToolButton* shrinkButton = nullptr;  // "-"
    QToolButton* growButton = nullptr;    // "+"
    QPushButton* okButton = nullptr;      // "OK"
    QPushButton* cancelButton = nullptr;  // "Cancel"

    // The handlers, callable directly.
    void prepareFields();
    void widthTyped();
    void heightTyped();
    void shrinkClicked();  // "-"
    void growClicked();    // "+"
    void accept();         // "OK"
    void cancel();         // "Cancel"

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scaleBoth(int percent);
    // The held ratio: the other field follows the one typed in. A value the
    // conversion rejects is reported once until the field is right again.
    void coupleFields(QLineEdit* typed, QLineEdit* other, bool widthTyped);

    jollix::Editor& editor_;
    QSet<int> widthKeysDown_, heightKeysDown_;  // keys pressed in widthEdit and heightEdit, not yet released
    QLineEdit* failingField_ = nullptr;
};
