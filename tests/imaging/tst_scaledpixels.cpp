// The resamplers, the export's frame and the JPEG encoders against digests of what they made before
// they shared one home: every pixel and every encoded byte must stay as it was, whichever
// instructions the processor offers. The digests in data/scaled-pixels.txt were taken from the
// earlier code on these very inputs.

#include "fixtures.h"

#include "imaging/imagescaler.h"
#include "imaging/jpegstream.h"
#include "imaging/pixelblend.h"
#include "output/flyerexport.h"

#include <QColorSpace>
#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

// Random pixels show every shift of every tap; translucent ones every alpha.
QImage Noise(int width, int height, QImage::Format format, bool translucent)
{
    QImage image(width, height, QImage::Format_ARGB32);
    quint32 seed = quint32(width * 7919 + height);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = translucent ? seed : 0xFF000000u | (seed >> 8);
        }
    }
    return image.convertToFormat(format);
}

QByteArray Digest(const QImage& image)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const int header[] = {image.width(), image.height(), int(image.format())};
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(header), sizeof header));
    const qsizetype bytes = (qsizetype(image.width()) * image.depth() + 7) / 8;
    for (int y = 0; y < image.height(); ++y)
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)), bytes));
    return hash.result().toHex();
}

QByteArray Digest(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QHash<QString, QByteArray> ReadDigests()
{
    QHash<QString, QByteArray> digests;
    QFile file(QStringLiteral(LISTORA_TEST_DATA "/scaled-pixels.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return digests;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        const qsizetype space = line.lastIndexOf(' ');
        if (line.isEmpty() || line.startsWith('#') || space < 0)
            continue;
        digests.insert(QString::fromUtf8(line.left(space)), line.mid(space + 1));
    }
    return digests;
}

const char* FormatName(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGB32:
        return "RGB32";
    case QImage::Format_ARGB32:
        return "ARGB32";
    case QImage::Format_ARGB32_Premultiplied:
        return "premultiplied";
    case QImage::Format_RGB888:
        return "RGB888";
    default:
        return "other";
    }
}

} // namespace

class TestScaledPixels : public QObject
{
    Q_OBJECT

    QHash<QString, QByteArray> m_digests;

    void Check(const QByteArray& digest, const char* way = "")
    {
        const QString name = QString::fromUtf8(QTest::currentDataTag());
        QVERIFY2(m_digests.contains(name),
                 qPrintable(QStringLiteral("no digest for \"%1\"; made %2").arg(name, QString::fromLatin1(digest))));
        QVERIFY2(m_digests.value(name) == digest,
                 qPrintable(QStringLiteral("\"%1\" changed%2: %3")
                                .arg(name, QString::fromLatin1(way), QString::fromLatin1(digest))));
    }

    // The same digest from every way of blending this processor has.
    template <typename Make> void CheckEveryWay(const Make& make)
    {
        const BlendWay fastest = FastestBlendWay();
        for (const auto& [way, name] :
             {std::pair{BlendWay::Plain, " without SIMD"}, std::pair{BlendWay::Sse2, " with SSE2"},
              std::pair{BlendWay::Avx2, " with AVX2"}}) {
            if (way > fastest)
                continue;
            LimitBlendWay(way);
            const QByteArray digest = Digest(make());
            LimitBlendWay(fastest);
            Check(digest, name);
            if (QTest::currentTestFailed())
                return;
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_digests = ReadDigests();
        QVERIFY(!m_digests.isEmpty());
    }

    void frame_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("translucent");
        QTest::addColumn<int>("frame");
        // The flyer's own size (long runs of side-by-side taps, the wide loops) and a small odd one
        // (edge columns, short runs, loop tails).
        for (const QSize size : {QSize(816, 1056), QSize(41, 37)}) {
            for (const auto& [name, frame] :
                 {std::pair{"export", FlyerFrame::AllSides}, std::pair{"e-mail", FlyerFrame::TopLeft}}) {
                for (const QImage::Format format : {QImage::Format_ARGB32, QImage::Format_RGB32,
                                                    QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888}) {
                    QTest::addRow("frame %s %dx%d %s", name, size.width(), size.height(), FormatName(format))
                        << size << int(format) << false << int(frame);
                }
                QTest::addRow("frame %s %dx%d translucent", name, size.width(), size.height())
                    << size << int(QImage::Format_ARGB32) << true << int(frame);
            }
        }
    }

    void frame()
    {
        QFETCH(QSize, size);
        QFETCH(int, format);
        QFETCH(bool, translucent);
        QFETCH(int, frame);
        const QImage flyer = Noise(size.width(), size.height(), QImage::Format(format), translucent);
        CheckEveryWay([&] { return FrameFlyer(flyer, FlyerFrame(frame)); });
    }

    void scale_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("translucent");
        QTest::newRow("scale 816x1056 to 600x776")
            << QSize(816, 1056) << QSize(600, 776) << int(QImage::Format_RGB32) << false;
        QTest::newRow("scale 816x1056 to 814x1054")
            << QSize(816, 1056) << QSize(814, 1054) << int(QImage::Format_RGB32) << false;
        QTest::newRow("scale 300x200 to 1200x50")
            << QSize(300, 200) << QSize(1200, 50) << int(QImage::Format_RGB32) << false;
        QTest::newRow("scale 64x48 RGB888 to 640x480")
            << QSize(64, 48) << QSize(640, 480) << int(QImage::Format_RGB888) << false;
        QTest::newRow("scale 300x200 translucent to 97x61")
            << QSize(300, 200) << QSize(97, 61) << int(QImage::Format_ARGB32) << true;
        QTest::newRow("scale 37x41 to 5x3") << QSize(37, 41) << QSize(5, 3) << int(QImage::Format_RGB32) << false;
    }

    void scale()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        QFETCH(int, format);
        QFETCH(bool, translucent);
        const QImage source = Noise(from.width(), from.height(), QImage::Format(format), translucent);
        CheckEveryWay([&] { return ScaleBicubic(source, to); });
    }

    // Rows handed over in batches, as the photo intake's decoder does, from a buffer that holds only
    // the rows the reducer still needs.
    void streamedRows_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::newRow("streamed 1000x750 to 600x450") << QSize(1000, 750) << QSize(600, 450);
        QTest::newRow("streamed 333x999 to 111x200") << QSize(333, 999) << QSize(111, 200);
    }

    void streamedRows()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        const QImage source = Noise(from.width(), from.height(), QImage::Format_RGB32, false);
        CheckEveryWay([&] {
            QImage window;
            CXBicubicReducer reducer(from, QImage::Format_RGB32, to, [&](int row) -> const uint8_t* {
                return window.constScanLine(row % window.height());
            });
            window = QImage(from.width(), reducer.RowWindow() + 16, QImage::Format_RGB32);
            for (int row = 0; row < from.height(); row += 16) {
                const int end = std::min(from.height(), row + 16);
                if (end - reducer.OldestRowNeeded() > window.height())
                    return QImage(); // a row it still needs would be overwritten
                for (int y = row; y < end; ++y)
                    std::copy_n(source.constScanLine(y), from.width() * 4, window.scanLine(y % window.height()));
                reducer.RowsAvailable(end);
            }
            return reducer.Finish();
        });
    }

    // Both encoders that take rows from a ring: the photo intake's full-size copy (with its colour
    // profile) and the export's framed flyer inside the PDF, which wraps the JPEG bytes as they are.
    void encoded_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("intake reduced") << 1;
        QTest::newRow("export pdf") << 2;
    }

    void encoded()
    {
        QFETCH(int, kind);
        if (!CanEncodeJpegRing())
            QSKIP("built without libjpeg");
        QTemporaryDir dir;
        if (kind < 2) {
            QImage photo = Fixtures::PhotoLike(1200, 900);
            photo.setColorSpace(QColorSpace::DisplayP3);
            const QString source = dir.filePath(QStringLiteral("photo.jpg"));
            QFile file(source);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(Fixtures::Encode(photo, "jpeg", 90));
            file.close();
            CheckEveryWay([&] {
                QByteArray original, reduced;
                QString error;
                const JpegStreamResult result =
                    StreamJpegIntake(source, dir.filePath(QStringLiteral("_photo01.jpg")), 600, &original, &reduced,
                                     &error);
                return result != JpegStreamResult::Done ? QByteArray() : kind == 0 ? original : reduced;
            });
            return;
        }
        const QImage flyer = Fixtures::PhotoLike(816, 1056);
        const QString pdf = dir.filePath(QStringLiteral("flyer.pdf"));
        CheckEveryWay([&] {
            QFile::remove(pdf);
            ExportFlyerFile(flyer, pdf, dir.filePath(QStringLiteral("Temp")), QStringLiteral("P1"));
            QFile file(pdf);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        });
    }
};

QTEST_GUILESS_MAIN(TestScaledPixels)
#include "tst_scaledpixels.moc"
