#include "fixtures.h"
#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"
#include "imaging/scaledjpeg.h"
#include "support/pictures.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// A CMYK JPEG as Photoshop writes them (Adobe marker, inverted inks): C, M, Y carry the picture's
// red, green and blue and K darkens the lower half, so a reader that ignores K or the inversion shows.
QByteArray EncodeAdobeCmyk(const QImage& image)
{
    struct Error
    {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
    } error;
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<Error*>(c->err)->jump, 1); };
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        return QByteArray();
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(image.width()) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const int key = y < image.height() / 2 ? 255 : 160;
        for (int x = 0; x < image.width(); ++x) {
            row[size_t(x) * 4 + 0] = uchar(qRed(in[x]));
            row[size_t(x) * 4 + 1] = uchar(qGreen(in[x]));
            row[size_t(x) * 4 + 2] = uchar(qBlue(in[x]));
            row[size_t(x) * 4 + 3] = uchar(key);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

QByteArray MakeJpeg(const QString& kind)
{
    const QImage photo = Fixtures::PhotoLike(480, 320);
    if (kind == QLatin1String("cmyk"))
        return EncodeAdobeCmyk(photo);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(92);
    writer.setProgressiveScanWrite(kind == QLatin1String("progressive"));
    writer.write(kind == QLatin1String("grey") ? photo.convertToFormat(QImage::Format_Grayscale8) : photo);
    return bytes;
}

using TestSupport::Psnr;

} // namespace

class TestScaledJpeg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }

    void matchesFullDecode_data();
    void matchesFullDecode();
    void refusesBadFiles_data();
    void refusesBadFiles();

private:
    QTemporaryDir m_dir;
};

void TestScaledJpeg::matchesFullDecode_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("orientation"); // EXIF; 0: no EXIF block
    // In upright pixels, on the 8-pixel grid where every scale cuts exactly; off it the frame
    // widens by less than a scaled pixel (the print copy's own test covers that case).
    QTest::addColumn<QRect>("crop");
    QTest::addColumn<QSize>("atLeast");

    const QRect none;
    for (const char* kind : {"baseline", "progressive", "grey", "cmyk"}) {
        QTest::addRow("%s whole, small", kind) << QString::fromLatin1(kind) << 0 << none << QSize(100, 67);
        QTest::addRow("%s crop off-centre", kind)
            << QString::fromLatin1(kind) << 0 << QRect(40, 32, 304, 200) << QSize(150, 101);
    }
    // Every way a camera can be held; the crop sits off-centre, so a wrong turn shows.
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const bool quarter = orientation >= 5;
        const QRect crop = quarter ? QRect(24, 56, 192, 296) : QRect(56, 24, 296, 192);
        QTest::addRow("baseline, EXIF %d", orientation)
            << QStringLiteral("baseline") << orientation << crop << (quarter ? QSize(80, 125) : QSize(125, 80));
    }
    QTest::addRow("progressive, EXIF 6, crop")
        << QStringLiteral("progressive") << 6 << QRect(8, 96, 200, 256) << QSize(90, 110);
    // Asked for more than the crop holds: the crop at full size, never enlarged.
    QTest::addRow("full size") << QStringLiteral("baseline") << 0 << QRect(13, 7, 200, 100) << QSize(400, 300);
    QTest::addRow("tiny") << QStringLiteral("baseline") << 0 << none << QSize(1, 1);
    QTest::addRow("crop at the corner") << QStringLiteral("baseline") << 0 << QRect(400, 248, 80, 72) << QSize(30, 30);
}

// The scaled decode, reduced by the project's scaler, is the full decode reduced the same way.
void TestScaledJpeg::matchesFullDecode()
{
    QFETCH(QString, kind);
    QFETCH(int, orientation);
    QFETCH(QRect, crop);
    QFETCH(QSize, atLeast);

    QByteArray bytes = MakeJpeg(kind);
    QVERIFY(!bytes.isEmpty());
    if (orientation)
        bytes = Fixtures::WithExifOrientation(bytes, uint16_t(orientation));
    const QString path = m_dir.filePath(QStringLiteral("photo.jpg"));
    QVERIFY(Fixtures::WriteFile(path, bytes));

    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage full = reader.read();
    QVERIFY(!full.isNull());
    const QRect part = crop.isEmpty() ? full.rect() : crop;

    const ScaledJpeg decoded = DecodeJpegScaled(path, atLeast, crop);
    QVERIFY2(decoded.error.isEmpty(), qPrintable(decoded.error));
    QCOMPARE(decoded.sourceSize, full.size());
    QCOMPARE(decoded.image.format(), QImage::Format_RGB32);
    // Big enough, and no bigger than one scale step above what was asked.
    const QSize wanted = atLeast.boundedTo(part.size());
    QVERIFY2(decoded.image.width() >= wanted.width() && decoded.image.height() >= wanted.height(),
             qPrintable(QStringLiteral("%1x%2").arg(decoded.image.width()).arg(decoded.image.height())));
    QVERIFY(decoded.image.width() <= std::max(wanted.width(), 1) + part.width() / 8 + 2);
    QVERIFY(decoded.image.height() <= std::max(wanted.height(), 1) + part.height() / 8 + 2);
    // Covers the crop: the aspect is the crop's to within a pixel of the scale.
    QVERIFY(std::abs(decoded.image.width() * part.height() - decoded.image.height() * part.width()) <=
            2 * std::max(part.width(), part.height()));

    const QSize target = wanted;
    const QImage expected = ScaleBicubic(full.copy(part).convertToFormat(QImage::Format_RGB32), target);
    const QImage actual = ScaleBicubic(decoded.image, target);
    const double psnr = Psnr(expected, actual);
    QVERIFY2(psnr >= 35.0, qPrintable(QStringLiteral("PSNR %1 dB").arg(psnr, 0, 'f', 1)));
}

void TestScaledJpeg::refusesBadFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // start of the error; empty: any error

    const QByteArray baseline = MakeJpeg(QStringLiteral("baseline"));
    const QByteArray progressive = MakeJpeg(QStringLiteral("progressive"));
    QTest::newRow("baseline cut in half")
        << baseline.left(baseline.size() / 2) << QStringLiteral("is damaged or incomplete");
    QTest::newRow("progressive cut") << progressive.left(progressive.size() * 3 / 4)
                                     << QStringLiteral("is damaged or incomplete");
    QTest::newRow("header only") << baseline.left(300) << QString();
    QTest::newRow("png") << Fixtures::Encode(Fixtures::PhotoLike(40, 30), "png") << QStringLiteral("is not a picture");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("is not a picture");
    QByteArray junk("\xFF\xD8\xFF\xE0", 4);
    for (int i = 0; i < 4000; ++i)
        junk.append(char((i * 7919) & 0xFF));
    QTest::newRow("junk after the start marker") << junk << QString();
}

// A file that cannot give its picture gives a reason instead, and never takes the program down.
void TestScaledJpeg::refusesBadFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QString path = m_dir.filePath(QStringLiteral("bad.jpg"));
    QVERIFY(Fixtures::WriteFile(path, bytes));
    const ScaledJpeg decoded = DecodeJpegScaled(path, QSize(100, 100));
    QVERIFY(decoded.image.isNull());
    QVERIFY(!decoded.error.isEmpty());
    if (!expected.isEmpty())
        QVERIFY2(decoded.error.contains(expected), qPrintable(decoded.error));
    QVERIFY(decoded.error.contains(QStringLiteral("bad.jpg")));

    const ScaledJpeg missing = DecodeJpegScaled(m_dir.filePath(QStringLiteral("none.jpg")), QSize(10, 10));
    QVERIFY(missing.image.isNull());
    QVERIFY(missing.error.contains(QStringLiteral("does not exist")));
}

QTEST_GUILESS_MAIN(TestScaledJpeg)
#include "tst_scaledjpeg.moc"
