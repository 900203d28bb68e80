#include "output/pdfwriter.h"
#include "support/childprocess.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A baseline JFIF header with a start-of-frame, padded to the wanted size; no real scan data is needed
// because the writer never decodes.
QByteArray FakeJfif(int width, int height, int totalBytes, bool exif = false)
{
    QByteArray jpeg;
    jpeg += QByteArray::fromHex("FFD8");
    if (exif)
        jpeg += QByteArray::fromHex("FFE10010") + QByteArray("Exif\0\0", 6) + QByteArray(8, '\0');
    else
        jpeg += QByteArray::fromHex("FFE00010") + QByteArray("JFIF\0", 5) + QByteArray::fromHex("010100000100010000");
    jpeg += QByteArray::fromHex("FFC00011080000000003011100021101031101");
    const int sof = jpeg.indexOf(QByteArray::fromHex("FFC0"));
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    jpeg += QByteArray(totalBytes - jpeg.size() - 2, '\x11');
    jpeg += QByteArray::fromHex("FFD9");
    return jpeg;
}

QByteArray Finish(std::unique_ptr<PdfDocument> doc)
{
    const uint32_t total = PdfFinish(doc.get());
    QByteArray out(static_cast<qsizetype>(total), '\0');
    uint32_t size = total;
    PdfWriteOut(std::move(doc), out.data(), size);
    out.truncate(size);
    return out;
}

struct XrefTable
{
    int count = -1;
    QList<qint64> offsets;
    qint64 startxref = -1;
    qint64 xrefPosition = -1;
};

XrefTable ParseXref(const QByteArray& pdf)
{
    XrefTable table;
    table.xrefPosition = pdf.lastIndexOf("xref\r\n0 ");
    const QRegularExpression head(QStringLiteral("^xref\\r\\n0 (\\d+)\\r\\n"));
    const QString tail = QString::fromLatin1(pdf.mid(table.xrefPosition));
    const auto m = head.match(tail);
    if (!m.hasMatch())
        return table;
    table.count = m.captured(1).toInt();
    qint64 pos = table.xrefPosition + m.capturedLength();
    for (int i = 0; i < table.count; ++i, pos += 20)
        table.offsets.append(pdf.mid(pos, 10).toLongLong());
    const qint64 sx = pdf.lastIndexOf("startxref\r\n");
    table.startxref = pdf.mid(sx + 11, pdf.indexOf('\r', sx + 11) - sx - 11).toLongLong();
    return table;
}

} // namespace

class TestPdfWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void flyerPageLayout_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::newRow("C") << QByteArray("C");
        // A comma-decimal locale wrote "612,00" and every viewer showed a blank page.
        QTest::newRow("de_DE") << QByteArray("de_DE.UTF-8");
    }

    void flyerPageLayout()
    {
        QFETCH(QByteArray, locale);
        QVERIFY2(std::setlocale(LC_ALL, locale.constData()), locale.constData());
        const auto restore = qScopeGuard([] { std::setlocale(LC_ALL, "C"); });

        const QByteArray jpeg = FakeJfif(816, 1056, 100000);
        QCOMPARE(jpeg.size(), 100000);
        int w = 0, h = 0;
        QVERIFY(JpegGetSize(reinterpret_cast<const unsigned char*>(jpeg.constData()), jpeg.size(), w, h));
        QCOMPARE(w, 816);
        QCOMPARE(h, 1056);

        auto doc = PdfCreate();
        PdfAddJpegImage(doc.get(), w, h, static_cast<uint32_t>(jpeg.size()), jpeg.constData());
        const QByteArray pdf = Finish(std::move(doc));

        QVERIFY(pdf.startsWith("%PDF-1.3\r\n%\xFF"));
        QVERIFY(pdf.contains("\r\n2 0 obj\r\n<</Type/XObject/Subtype/Image/Filter/DCTDecode/BitsPerComponent 8/"
                             "ColorSpace/DeviceRGB/Width 816/Height 1056/Length 100000>>\r\nstream\r\n"));
        QVERIFY(pdf.contains(
            "3 0 obj\r\n<</Type/Page/Parent 1 0 R/MediaBox[0 0 612 792]/Contents 4 0 R/Resources 6 0 R>>"));
        QVERIFY(pdf.contains("4 0 obj\r\n<</Length 5 0 R>>stream\r\nq\r\n1 0 0 1 0.00 0.00 cm\r\n"
                             "612.00 0 0 792.00 0 0 cm\r\n/I0 Do\r\nQ\r\nendstream\r\nendobj\r\n"));
        QVERIFY(pdf.contains("5 0 obj\r\n62\r\nendobj\r\n"));
        QVERIFY(pdf.contains("7 0 obj\r\n<</Type/Catalog/Pages 1 0 R>>\r\nendobj\r\n"));
        QVERIFY(pdf.contains("1 0 obj\r\n<</Type /Pages /Kids [3 0 R] /Count 1>>\r\nendobj\r\n"));
        QVERIFY(pdf.contains("trailer\r\n<</Root 7 0 R /Size 8>>\r\n"));
        QVERIFY(pdf.endsWith("%%EOF\r\n"));

        const XrefTable xref = ParseXref(pdf);
        QCOMPARE(xref.count, 8);
        QCOMPARE(xref.startxref, xref.xrefPosition);
        QVERIFY(pdf.mid(xref.xrefPosition - 2, 2) == "\r\n");
        for (int object = 1; object < 8; ++object) {
            const QByteArray expected = QByteArray::number(object) + " 0 obj\r\n";
            QCOMPARE(pdf.mid(xref.offsets.at(object), expected.size()), expected);
        }
    }

    void pageLimitIs256()
    {
        const QByteArray jpeg = FakeJfif(10, 10, 200);
        auto doc = PdfCreate();
        for (int i = 0; i < 257; ++i)
            PdfAddJpegImage(doc.get(), 10, 10, static_cast<uint32_t>(jpeg.size()), jpeg.constData());
        QCOMPARE(doc->pageCount, 256u);
        const QByteArray pdf = Finish(std::move(doc));
        QVERIFY(pdf.contains("/Count 256>>"));
        QVERIFY(pdf.contains("trailer\r\n<</Root 1282 0 R /Size 1283>>"));
        const XrefTable xref = ParseXref(pdf);
        QCOMPARE(xref.count, 1283);
        for (int object : {1, 2, 3, 640, 1281, 1282}) {
            const QByteArray expected = QByteArray::number(object) + " 0 obj\r\n";
            QCOMPARE(pdf.mid(xref.offsets.at(object), expected.size()), expected);
        }
    }

    void jpegGetSize_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        const QByteArray good = FakeJfif(300, 200, 400);
        QTest::newRow("baseline") << good << true;
        QTest::newRow("exif header") << FakeJfif(300, 200, 400, true) << false;
        QByteArray progressive = good;
        progressive[progressive.indexOf(QByteArray::fromHex("FFC0")) + 1] = '\xC2';
        QTest::newRow("progressive") << progressive << false;
        QTest::newRow("frame cut short") << good.left(good.indexOf(QByteArray::fromHex("FFC0")) + 6) << false;
        QTest::newRow("header only") << good.left(11) << false;
        QTest::newRow("empty") << QByteArray() << false;
        QByteArray badMarker = good;
        badMarker[badMarker.indexOf(QByteArray::fromHex("FFC0"))] = '\x00';
        QTest::newRow("segment not on a marker") << badMarker << false;
    }

    void jpegGetSize()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        int w = 0, h = 0;
        QCOMPARE(JpegGetSize(reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size(), w, h), ok);
        if (ok)
            QCOMPARE(QSize(w, h), QSize(300, 200));
    }

    void realJpegPassesQpdfAndRasterises()
    {
        QTemporaryDir dir;
        QImage flyer(816, 1056, QImage::Format_RGB32);
        flyer.fill(QColor(0, 99, 177));
        for (int y = 0; y < 528; ++y)
            for (int x = 0; x < 816; ++x)
                flyer.setPixel(x, y, qRgb(250, 250, 250));
        const QString jpegPath = dir.filePath(QStringLiteral("flyer.jpg"));
        QImageWriter writer(jpegPath, "jpeg");
        writer.setQuality(100);
        QVERIFY(writer.write(flyer));
        const QString pdfPath = dir.filePath(QStringLiteral("flyer.pdf"));
        QVERIFY(ConvertJpegToPdf(jpegPath, pdfPath));

        const TestSupport::ChildRun qpdf =
            TestSupport::RunChild(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdfPath});
        QVERIFY2(qpdf.exitCode == 0, QByteArray(qpdf.out + qpdf.err).constData());

        const QString prefix = dir.filePath(QStringLiteral("page"));
        const TestSupport::ChildRun raster = TestSupport::RunChild(
            QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-singlefile"),
                                         QStringLiteral("-png"), pdfPath, prefix});
        QVERIFY2(raster.exitCode == 0, raster.err.constData());
        const QImage page(prefix + QStringLiteral(".png"));
        QCOMPARE(page.size(), QSize(612, 792));
        // The picture is stretched over the whole page: light top half, blue bottom half.
        QVERIFY(qGray(page.pixel(306, 100)) > 230);
        const QColor bottom = page.pixelColor(306, 700);
        QVERIFY(qAbs(bottom.red() - 0) < 12 && qAbs(bottom.green() - 99) < 12 && qAbs(bottom.blue() - 177) < 12);
    }

    void unusablePictureFailsWithoutFile()
    {
        QTemporaryDir dir;
        const QString jpegPath = dir.filePath(QStringLiteral("exif.jpg"));
        QFile file(jpegPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(FakeJfif(100, 100, 500, true));
        file.close();
        const QString pdfPath = dir.filePath(QStringLiteral("out.pdf"));
        QVERIFY(!ConvertJpegToPdf(jpegPath, pdfPath));
        QVERIFY(!QFile::exists(pdfPath));
        QVERIFY(!ConvertJpegToPdf(dir.filePath(QStringLiteral("missing.jpg")), pdfPath));
    }

    void unwritableTargetFails()
    {
        QTemporaryDir dir;
        const QString jpegPath = dir.filePath(QStringLiteral("ok.jpg"));
        QFile file(jpegPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(FakeJfif(100, 100, 500));
        file.close();
        QVERIFY(!ConvertJpegToPdf(jpegPath, dir.filePath(QStringLiteral("no/such/folder/out.pdf"))));
        QVERIFY(ConvertJpegToPdf(jpegPath, dir.filePath(QStringLiteral("out.pdf"))));
    }

    void notesOnlyWhenDebugging_data()
    {
        QTest::addColumn<bool>("debug");
        QTest::newRow("normal use") << false;
        QTest::newRow("LISTORA_DEBUG=1") << true;
    }

    // "Adding ... into PDF" is debug output: a program started from a terminal prints nothing.
    void notesOnlyWhenDebugging()
    {
        QFETCH(bool, debug);
        QTemporaryDir dir;
        const QString jpegPath = dir.filePath(QStringLiteral("ok.jpg"));
        QFile file(jpegPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(FakeJfif(100, 100, 500));
        file.close();
        if (debug)
            qputenv("LISTORA_DEBUG", "1");
        const auto unset = qScopeGuard([] { qunsetenv("LISTORA_DEBUG"); });

        const QString captured = dir.filePath(QStringLiteral("stdout.txt"));
        std::fflush(stdout);
        const int saved = ::dup(STDOUT_FILENO);
        const int into = ::open(QFile::encodeName(captured).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        QVERIFY(saved >= 0 && into >= 0);
        ::dup2(into, STDOUT_FILENO);
        ::close(into);
        const bool written = ConvertJpegToPdf(jpegPath, dir.filePath(QStringLiteral("out.pdf")));
        std::fflush(stdout);
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);
        QVERIFY(written);

        QFile out(captured);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray text = out.readAll();
        if (debug)
            QVERIFY2(text.startsWith("Adding ") && text.contains("(100x100) into PDF"), text.constData());
        else
            QCOMPARE(text, QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestPdfWriter)
#include "tst_pdfwriter.moc"
