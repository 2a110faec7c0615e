#include "ui/file_preview.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QVBoxLayout>

#include "effects/resample.h"
#include "io/formats.h"
#include "io/picture_files.h"
#include "io/qimage_picture.h"
#include "ui/translations.h"

namespace jollix {

namespace {

class PreviewPane : public QWidget {
public:
    static constexpr int kSide = 180;
    static constexpr qint64 kMaxOwnDecodeBytes = 64 * 1024 * 1024;

    explicit PreviewPane(QWidget* parent = nullptr) : QWidget(parent) {
        setObjectName(QStringLiteral("preview"));
        image_ = new QLabel(this);
        image_->setFixedSize(kSide, kSide);
        image_->setAlignment(Qt::AlignCenter);
        image_->setFrameShape(QFrame::StyledPanel);
        size_ = new QLabel(this);
        size_->setAlignment(Qt::AlignCenter);
        auto* l = new QVBoxLayout(this);
        l->setContentsMargins(4, 0, 0, 0);
        l->addWidget(image_);
        l->addWidget(size_);
        l->addStretch(1);
    }

    void showFile(const QString& path) {
        image_->clear();
        size_->clear();
        const QFileInfo info(path);
        if (!info.isFile()) return;
        QImage img;
        QSize full;
        const std::string name = QFile::encodeName(path).toStdString();
        if (formatOfFile(name) != PictureFormat::Unknown) {
            // What Open would show, photos turned upright; none for files
            // too large to read at every move of the cursor.
            if (info.size() > kMaxOwnDecodeBytes) {
                image_->setText(uiText("(no preview)"));
                return;
            }
            try {
                const Picture p = loadPictureFile(name);
                full = QSize(p.width(), p.height());
                const QSize fit = full.scaled(kSide, kSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
                img = qimageFromPicture(
                    full.width() > kSide || full.height() > kSide ? resampleArea(p, fit.width(), fit.height()) : p);
            } catch (...) {
                img = QImage();
            }
        } else {
            // Further formats that Qt reads (the preview shows them; Open
            // does not read them).
            QImageReader reader(path);
            reader.setAutoTransform(true);
            full = reader.size();
            if (full.isValid() && (full.width() > kSide || full.height() > kSide))
                reader.setScaledSize(full.scaled(kSide, kSide, Qt::KeepAspectRatio));
            img = reader.read();
            if (reader.transformation() & QImageIOHandler::TransformationRotate90) full.transpose();
        }
        if (img.isNull()) {
            image_->setText(uiText("(no preview)"));
            return;
        }
        if (!full.isValid()) full = img.size();
        image_->setPixmap(QPixmap::fromImage(
            img.width() > kSide || img.height() > kSide ? img.scaled(kSide, kSide, Qt::KeepAspectRatio) : img));
        size_->setText(QStringLiteral("%1 x %2").arg(full.width()).arg(full.height()));
    }

private:
    QLabel* image_;
    QLabel* size_;
};

}  // namespace

void addPreview(QFileDialog& dialog) {
    auto* preview = new PreviewPane(&dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString& path) { preview->showFile(path); });
}

}  // namespace jollix
