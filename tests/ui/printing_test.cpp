// Printing to a PDF printer: the page rectangle and the one drawing of the
// picture, read back from the PDF's content.
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "core/picture.h"
#include "core/print_layout.h"
#include "ui/printing.h"

using namespace jollix;

namespace {

// The decompressed content of every Flate stream of a PDF file.
QList<QByteArray> flateStreams(const QByteArray& pdf) {
    QList<QByteArray> out;
    int pos = 0;
    while ((pos = pdf.indexOf("stream\n", pos)) >= 0) {
        if (pos >= 3 && pdf.mid(pos - 3, 3) == "end") {
            pos += 7;
            continue;
        }
        const int dictStart = pdf.lastIndexOf("<<", pos);
        const bool flate = pdf.mid(dictStart, pos - dictStart).contains("/FlateDecode");
        const int end = pdf.indexOf("endstream", pos);
        if (end < 0) break;
        if (flate) {
            QByteArray withSize(4, '\0');
            const quint32 hint = 1u << 20;
            withSize[0] = char(hint >> 24);
            withSize[1] = char(hint >> 16);
            withSize[2] = char(hint >> 8);
            withSize[3] = char(hint);
            withSize += pdf.mid(pos + 7, end - pos - 7);
            out << qUncompress(withSize);
        }
        pos = end + 9;
    }
    return out;
}

struct PdfPage {
    QByteArray file;
    QByteArray content;  // all decompressed streams
};

PdfPage printToPdf(const Picture& picture, int dpi, qreal marginMm, PrintRectangle* used, QSize* page) {
    QTemporaryDir dir;
    const QString name = dir.filePath("page.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(name);
    printer.setResolution(dpi);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
    const QRectF pr = printer.pageRect(QPrinter::DevicePixel);
    *page = QSize(int(pr.width()), int(pr.height()));
    *used = printPictureTo(printer, picture);
    QFile f(name);
    PdfPage out;
    if (f.open(QIODevice::ReadOnly)) out.file = f.readAll();
    for (const QByteArray& s : flateStreams(out.file)) out.content += s + "\n";
    return out;
}

}  // namespace

class PrintingTest : public QObject {
    Q_OBJECT
private slots:
    void thePictureIsDoubledAndCentredOnThePrintablePage() {
        Picture picture(605, 469, 0x3060A0);
        PrintRectangle r;
        QSize page;
        const PdfPage pdf = printToPdf(picture, 600, 0, &r, &page);
        QVERIFY(pdf.file.startsWith("%PDF"));

        // The rectangle is the one the layout gives for the printable page.
        const PrintRectangle want = printRectangle(605, 469, page.width(), page.height());
        QCOMPARE(r.Left, want.Left);
        QCOMPARE(r.Top, want.Top);
        QCOMPARE(r.Right, want.Right);
        QCOMPARE(r.Bottom, want.Bottom);
        QCOMPARE(r.width(), 605 * 8);  // three doublings on a whole A4 page at 600 dpi

        // One image of the picture's own size, drawn once, scaled by 8 at the
        // rectangle's corner, and not interpolated.
        QCOMPARE(pdf.file.count("/Subtype /Image"), qsizetype(1));
        QVERIFY(pdf.file.contains("/Width 605"));
        QVERIFY(pdf.file.contains("/Height 469"));
        QVERIFY(!pdf.file.contains("/Interpolate true"));
        QCOMPARE(pdf.content.count(" Do"), qsizetype(1));
        const QString placement = QStringLiteral("8 0 0 8 %1 %2 cm").arg(r.Left).arg(r.Top);
        QVERIFY2(pdf.content.contains(placement.toLatin1()), pdf.content.constData());
    }

    void aPictureLargerThanThePageIsCentredAndCutOff() {
        // At 72 dpi the printable A4 page within 10 mm margins is about 538 x 785
        // device pixels.
        Picture picture(700, 300, 0xFFFFFF);
        PrintRectangle r;
        QSize page;
        const PdfPage pdf = printToPdf(picture, 72, 10, &r, &page);
        QVERIFY(page.width() < 700);
        QCOMPARE(r.width(), 700);
        QCOMPARE(r.height(), 300);
        QCOMPARE(r.Left, (page.width() - 700) / 2);
        QVERIFY(r.Left < 0);
        QCOMPARE(r.Top, (page.height() - 300) / 2);
        QVERIFY(pdf.file.contains("/Width 700"));
        const QString placement = QStringLiteral("1 0 0 1 %1 %2 cm").arg(r.Left).arg(r.Top);
        QVERIFY2(pdf.content.contains(placement.toLatin1()), pdf.content.constData());
    }

    void anEmptyPictureShowsNoDialog() {
        // Nothing to print: printWork returns at once. Were a dialog shown,
        // the timer would close it and the check below would fail.
        bool dialogShown = false;
        QTimer::singleShot(500, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                dialogShown = true;
                w->close();
            }
        });
        printWork(nullptr, Picture());
        QVERIFY(!dialogShown);
    }
};

QTEST_MAIN(PrintingTest)
#include "printing_test.moc"
