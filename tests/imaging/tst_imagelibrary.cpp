#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"

#include "fixtures.h"
#include "support/childprocess.h"
#include "support/pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

using TestSupport::Psnr;

QByteArray TruncatedJpeg(double keep)
{
    const QByteArray jpeg = Fixtures::Encode(Fixtures::PhotoLike(400, 300), "jpeg", 90);
    return jpeg.left(qsizetype(jpeg.size() * keep));
}

} // namespace

class TestImageLibrary : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        if (!Fixtures::WriteFile(path, bytes))
            qFatal("cannot write fixture %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void imageType_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("type");
        QTest::newRow("upper-case JPEG") << "/photos/House.JPEG" << 0;
        QTest::newRow("jpg") << "a.jpg" << 0;
        QTest::newRow("TIF") << "/scans/plan.TIF" << 3;
        QTest::newRow("tiff") << "plan.tiff" << 3;
        QTest::newRow("bmp") << "x.bmp" << 1;
        QTest::newRow("last dot counts") << "archive.tar.Png" << 2;
        QTest::newRow("gif") << "x.gif" << 4;
        QTest::newRow("webp") << "/photos/house.webp" << 255;
        QTest::newRow("no extension") << "/photos/house" << 255;
        QTest::newRow("dot in folder only") << "/photos.jpg/house" << 255;
        QTest::newRow("trailing dot") << "house." << 255;
    }
    void imageType()
    {
        QFETCH(QString, path);
        QFETCH(int, type);
        QCOMPARE(int(GetImageType(path)), type);
    }

    void mimeTypesAndEncoders()
    {
        const QStringList expected = {"image/jpeg", "image/bmp", "image/png", "image/tiff", "image/gif"};
        for (int type = 0; type < 5; ++type)
            QCOMPARE(GetMimeType(uint8_t(type)), expected.at(type));
        QCOMPARE(GetMimeType(255), QStringLiteral("image/jpeg"));

        QByteArray format;
        QVERIFY(GetEncoderClsid("image/jpeg", &format) >= 0);
        QVERIFY(QImageWriter::supportedImageFormats().contains(format));
        QVERIFY(GetEncoderClsid("image/png") >= 0);
        QVERIFY(GetEncoderClsid("image/bmp") >= 0);
        // Lookups are exact: no encoder means -1, never a near match.
        QCOMPARE(GetEncoderClsid("image/gif"), -1);
        QCOMPARE(GetEncoderClsid("image/JPEG"), -1);
        QCOMPARE(GetEncoderClsid(QString()), -1);
    }

    void resizeProportionally_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("landscape, main photo") << QSize(4000, 3000) << QSize(600, 600) << QSize(600, 450);
        QTest::newRow("portrait") << QSize(3000, 4000) << QSize(500, 500) << QSize(375, 500);
        QTest::newRow("portrait 1200x1600") << QSize(1200, 1600) << QSize(500, 500) << QSize(375, 500);
        QTest::newRow("small is not enlarged") << QSize(400, 300) << QSize(500, 500) << QSize(400, 300);
        QTest::newRow("exact fit") << QSize(600, 600) << QSize(600, 600) << QSize(600, 600);
        QTest::newRow("square") << QSize(601, 601) << QSize(600, 600) << QSize(600, 600);
        // Single precision: 600/690*552 is 479.99997 in float, 480 exactly.
        QTest::newRow("float truncation 690x552") << QSize(690, 552) << QSize(600, 600) << QSize(600, 479);
        QTest::newRow("float truncation 804x603") << QSize(804, 603) << QSize(600, 600) << QSize(600, 449);
        QTest::newRow("cover thumbnail") << QSize(816, 1056) << QSize(92, 92) << QSize(71, 92);
        QTest::newRow("wide box, portrait page") << QSize(816, 1056) << QSize(300, 200) << QSize(154, 200);
        QTest::newRow("tall box, landscape") << QSize(1000, 500) << QSize(200, 80) << QSize(160, 80);
        QTest::newRow("empty picture") << QSize(0, 0) << QSize(600, 600) << QSize(0, 0);
        QTest::newRow("negative box") << QSize(800, 600) << QSize(-5, -5) << QSize(0, 0);
    }
    void resizeProportionally()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, box);
        QFETCH(QSize, expected);
        QCOMPARE(ResizeProportionally(source.width(), source.height(), QRect(QPoint(0, 0), box)), expected);
    }

    void normalizeFolderPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("add");
        QTest::addColumn<QString>("expected");
        QTest::newRow("add, trims") << "  /home/a/Projects  " << true << "/home/a/Projects/";
        QTest::newRow("add, already there") << "/home/a/Projects/" << true << "/home/a/Projects/";
        QTest::newRow("remove") << " /home/a/Projects/ " << false << "/home/a/Projects";
        QTest::newRow("remove only one") << "/home/a//" << false << "/home/a/";
        QTest::newRow("remove, none there") << "/home/a" << false << "/home/a";
        QTest::newRow("root keeps it") << "/" << false << "/";
        QTest::newRow("empty stays empty") << "   " << true << "";
    }
    void normalizeFolderPath()
    {
        QFETCH(QString, path);
        QFETCH(bool, add);
        QFETCH(QString, expected);
        NormalizeFolderPath(path, add);
        QCOMPARE(path, expected);
    }

    void makeTempPhotoName()
    {
        QTemporaryDir dir;
        QCOMPARE(MakeTempPhotoName(dir.path()), dir.filePath("TempPhoto0000.png"));
        Fixtures::WriteFile(dir.filePath("TempPhoto0000.png"), "x");
        Fixtures::WriteFile(dir.filePath("TempPhoto0001.png"), "x");
        Fixtures::WriteFile(dir.filePath("TempPhoto0003.png"), "x");
        QCOMPARE(MakeTempPhotoName(dir.path() + "/"), dir.filePath("TempPhoto0002.png"));
    }

    void imageInfo_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("orientation");
        const QImage landscape = Fixtures::PhotoLike(64, 48);
        const QByteArray jpeg = Fixtures::Encode(landscape, "jpeg", 90);
        QTest::newRow("landscape jpeg") << "land.jpg" << jpeg << QSize(64, 48) << 1;
        QTest::newRow("portrait png") << "port.png" << Fixtures::Encode(Fixtures::PhotoLike(30, 50), "png")
                                      << QSize(30, 50) << 0;
        QTest::newRow("square bmp") << "sq.bmp" << Fixtures::Encode(Fixtures::PhotoLike(20, 20), "bmp") << QSize(20, 20)
                                    << 2;
        QTest::newRow("png named .jpg") << "fake.jpg" << Fixtures::Encode(landscape, "png") << QSize(64, 48) << 1;
        QTest::newRow("phone held upright (EXIF 6)")
            << "exif6.jpg" << Fixtures::WithExifOrientation(jpeg, 6) << QSize(48, 64) << 0;
        QTest::newRow("EXIF 1") << "exif1.jpg" << Fixtures::WithExifOrientation(jpeg, 1) << QSize(64, 48) << 1;
        QTest::newRow("truncated jpeg") << "trunc.jpg" << TruncatedJpeg(0.6) << QSize(400, 300) << 1;
        QTest::newRow("cut inside the header") << "cut.jpg" << jpeg.left(100) << QSize(0, 0) << 2;
        QTest::newRow("not a picture") << "notes.jpg" << QByteArray("Listing notes\n") << QSize(0, 0) << 2;
        QTest::newRow("empty file") << "empty.png" << QByteArray() << QSize(0, 0) << 2;
        QTest::newRow("30000 x 30000 png")
            << "huge.png" << Fixtures::ReadFile(LISTORA_TEST_DATA "/huge-30000x30000.png") << QSize(0, 0) << 2;
    }
    void imageInfo()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QFETCH(int, orientation);
        const ImageInfo info = GetImageInfo(Write(name, bytes));
        QVERIFY(info.ok);
        QCOMPARE(QSize(info.width, info.height), size);
        QCOMPARE(info.orientation, orientation);
    }

    void imageInfoOfNoFile()
    {
        QVERIFY(!GetImageInfo(m_dir.filePath("missing.jpg")).ok);
        QVERIFY(!GetImageInfo(QString()).ok);
        QVERIFY(!GetImageInfo(m_dir.path()).ok);
        int w = -1, h = -1, o = -1;
        QVERIFY(!GetImageInfo(m_dir.filePath("missing.jpg"), w, h, o));
        QCOMPARE(w, -1); // outputs unchanged
    }

    void convertWritesQuality100At96Dpi()
    {
        QTemporaryDir out;
        const QString source = Write("big.jpg", Fixtures::Encode(Fixtures::PhotoLike(1000, 750), "jpeg", 80));
        QString error = "stale";
        const QString path = ConvertImage("  " + source + " ", " " + out.path() + " ", "small.jpg", true, 200,
                                          kImageTypeJpeg, true, &error);
        QCOMPARE(path, out.filePath("small.jpg"));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QByteArray bytes = Fixtures::ReadFile(path);
        const Fixtures::JpegFacts facts = Fixtures::ReadJpegFacts(bytes);
        QCOMPARE(facts.densityUnit, 1);
        QCOMPARE(facts.xDensity, 96);
        QCOMPARE(facts.yDensity, 96);
        QVERIFY(facts.quantTables > 0);
        QVERIFY(facts.allQuantOne);
        QCOMPARE(QImage::fromData(bytes).size(), QSize(200, 150));
    }

    void convertForExportKeepsSizeAndFormat_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("png") << "flyer.png" << QByteArray("png");
        QTest::newRow("bmp") << "flyer.BMP" << QByteArray("bmp");
        QTest::newRow("jpg") << "flyer.jpg" << QByteArray("jpeg");
    }
    void convertForExportKeepsSizeAndFormat()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, format);
        QTemporaryDir out;
        const QString source =
            Write("flyer-intermediate.jpg", Fixtures::Encode(Fixtures::PhotoLike(816, 1056), "jpeg"));
        QString error;
        const QString path =
            ConvertImage(source, out.path(), fileName, false, 0, GetImageType(fileName), false, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QImageReader reader(path);
        QCOMPARE(reader.format(), format);
        QCOMPARE(reader.size(), QSize(816, 1056));
    }

    void convertWithoutEncoderWritesNothing()
    {
        QTemporaryDir out;
        const QString source = Write("any.png", Fixtures::Encode(Fixtures::PhotoLike(40, 30), "png"));
        for (uint8_t type : {uint8_t(kImageTypeGif), uint8_t(kImageTypeUnknown)}) {
            QString error;
            const QString path = ConvertImage(source, out.path(), "out.gif", false, 0, type, false, &error);
            QCOMPARE(path, out.filePath("out.gif"));
            QVERIFY(!error.isEmpty());
            QVERIFY(!QFileInfo::exists(path));
        }
    }

    void transparentPngBecomesWhite_data()
    {
        QTest::addColumn<bool>("resize");
        QTest::addColumn<bool>("dpi96");
        QTest::newRow("reduced photo") << true << true;
        QTest::newRow("full-size copy") << false << true;
        QTest::newRow("plain re-encode") << false << false;
    }
    void transparentPngBecomesWhite()
    {
        QFETCH(bool, resize);
        QFETCH(bool, dpi96);
        // A red disc on a transparent background whose hidden pixels are black.
        QImage picture(800, 600, QImage::Format_ARGB32);
        picture.fill(0x00000000);
        {
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setBrush(QColor(200, 0, 0));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(QPoint(400, 300), 200, 200);
        }
        const QString source = Write("disc.png", Fixtures::Encode(picture, "png"));
        QTemporaryDir out;
        QString error;
        const QString path = ConvertImage(source, out.path(), "disc.jpg", resize, 400, kImageTypeJpeg, dpi96, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QImage result(path);
        QCOMPARE(result.size(), resize ? QSize(400, 300) : QSize(800, 600));
        const int w = result.width(), h = result.height();
        for (const QPoint corner : {QPoint(2, 2), QPoint(w - 3, 2), QPoint(2, h - 3), QPoint(w - 3, h - 3)}) {
            const QColor c = result.pixelColor(corner);
            QVERIFY2(c.red() > 245 && c.green() > 245 && c.blue() > 245, qPrintable(c.name()));
        }
        const QColor centre = result.pixelColor(w / 2, h / 2);
        QVERIFY2(centre.red() > 180 && centre.green() < 30 && centre.blue() < 30, qPrintable(centre.name()));
    }

    void transparentPngStaysTransparentAsPng()
    {
        // White on the left, transparent (hidden black) on the right: a resampler that ignores alpha
        // draws a grey seam where they meet.
        QImage picture(400, 100, QImage::Format_ARGB32);
        picture.fill(0x00000000);
        QPainter(&picture).fillRect(0, 0, 200, 100, Qt::white);
        const QString source = Write("half.png", Fixtures::Encode(picture, "png"));
        QTemporaryDir out;
        QString error;
        const QString path = ConvertImage(source, out.path(), "half.png", true, 150, kImageTypePng, true, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QImage result = QImage(path).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(result.size(), QSize(150, 37));
        QCOMPARE(qAlpha(result.pixel(148, 18)), 0);
        QCOMPARE(qAlpha(result.pixel(2, 18)), 255);
        for (int x = 0; x < result.width(); ++x) {
            const QRgb p = result.pixel(x, 18);
            if (qAlpha(p) > 8)
                QVERIFY2(qRed(p) > 235 && qGreen(p) > 235 && qBlue(p) > 235, qPrintable(QString::number(x)));
        }
    }

    void exifRotatedPhotoIsStoredUpright()
    {
        // Stored sideways: red on the left, blue on the right; EXIF 6 says turn it a quarter clockwise,
        // which puts red on top.
        QImage sideways(80, 40, QImage::Format_RGB32);
        sideways.fill(Qt::blue);
        QPainter(&sideways).fillRect(0, 0, 40, 40, Qt::red);
        const QString source =
            Write("phone.jpg", Fixtures::WithExifOrientation(Fixtures::Encode(sideways, "jpeg", 95), 6));
        QTemporaryDir out;
        QString error;
        const QString path = ConvertImage(source, out.path(), "upright.jpg", true, 20, kImageTypeJpeg, true, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QImageReader reader(path);
        reader.setAutoTransform(false); // what the file itself holds
        const QImage result = reader.read();
        QCOMPARE(result.size(), QSize(10, 20));
        QVERIFY(result.pixelColor(5, 3).red() > 200 && result.pixelColor(5, 3).blue() < 60);
        QVERIFY(result.pixelColor(5, 16).blue() > 200 && result.pixelColor(5, 16).red() < 60);
    }

    void truncatedJpegIsRefused()
    {
        // Its missing rows would come out grey in a picture that looks whole.
        const QString source = Write("cut-short.jpg", TruncatedJpeg(0.6));
        QTemporaryDir out;
        QString error;
        ConvertImage(source, out.path(), "copy.jpg", false, 0, kImageTypeJpeg, true, &error);
        QCOMPARE(error, QDir::toNativeSeparators(source) + " is damaged or incomplete and cannot be used.");
        QVERIFY(QDir(out.path()).isEmpty());
    }

    void refusedPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("30000 x 30000 png")
            << "huge.png" << Fixtures::ReadFile(LISTORA_TEST_DATA "/huge-30000x30000.png") << "too large";
        QTest::newRow("not a picture") << "notes.jpg" << QByteArray("Listing notes\n")
                                       << "is not a picture that Listora can open (JPEG, PNG or BMP).";
        QTest::newRow("cut inside the header")
            << "cut.jpg" << TruncatedJpeg(1.0).left(100) << "is damaged or incomplete and cannot be used.";
        QTest::newRow("missing") << QString() << QByteArray() << "does not exist";
    }
    void refusedPictures()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString source = name.isEmpty() ? m_dir.filePath("missing.jpg") : Write(name, bytes);
        QTemporaryDir out;
        QString error;
        const QString path = ConvertImage(source, out.path(), "photo.jpg", true, 600, kImageTypeJpeg, true, &error);
        QCOMPARE(path, out.filePath("photo.jpg"));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(error.contains(QFileInfo(source).fileName()));
        QVERIFY(QDir(out.path()).isEmpty());
    }

    // Formats Qt would read but no text of the program names are no pictures to it, wherever asked.
    void onlyJpegPngBmpAreTaken_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("taken");
        const QImage picture = Fixtures::PhotoLike(40, 30);
        QTest::newRow("jpeg") << "a.jpg" << Fixtures::Encode(picture, "jpeg", 90) << true;
        QTest::newRow("png") << "a.png" << Fixtures::Encode(picture, "png") << true;
        QTest::newRow("bmp") << "a.bmp" << Fixtures::Encode(picture, "bmp") << true;
        QTest::newRow("gif") << "a.gif" << Fixtures::TinyGif() << false;
        QTest::newRow("gif named jpg") << "gif.jpg" << Fixtures::TinyGif() << false;
        QTest::newRow("tiff") << "a.tif" << Fixtures::Encode(picture, "tiff") << false;
        QTest::newRow("webp") << "a.webp" << Fixtures::Encode(picture, "webp") << false;
    }
    void onlyJpegPngBmpAreTaken()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, taken);
        QVERIFY(!bytes.isEmpty());
        const QString path = Write(name, bytes);
        const QString refusal = NotAPictureText(QDir::toNativeSeparators(path));
        QString error;
        QCOMPARE(!LoadImageFile(path, &error).isNull(), taken);
        QCOMPARE(error, taken ? QString() : refusal);
        QCOMPARE(CheckPictureFile(path, QDir::toNativeSeparators(path)), taken ? QString() : refusal);
        const ImageInfo info = GetImageInfo(path);
        QVERIFY(info.ok); // the file exists
        QCOMPARE(info.IsPicture(), taken);
        QCOMPARE(info.refusal, taken ? QString() : refusal);
    }

    // Every check says why a huge picture is refused, with its true size, instead of "0 x 0".
    void tooLargeIsNamed()
    {
        const QString path = Write("huge.jpg", Fixtures::JpegClaiming(QSize(30000, 20000)));
        const QString expected = QStringLiteral("huge.jpg is too large to open (30000 x 20000 pixels; at most 200 "
                                                "million pixels).");
        QCOMPARE(CheckPictureFile(path, "huge.jpg", false), expected);
        const ImageInfo info = GetImageInfo(path);
        QVERIFY(!info.IsPicture());
        QCOMPARE(QSize(info.width, info.height), QSize(0, 0)); // never passes a size check
        QCOMPARE(info.refusal, QDir::toNativeSeparators(path) + expected.mid(8));
    }

    void convertOntoItself()
    {
        // The source is read whole before its replacement is written.
        QTemporaryDir out;
        const QString path = out.filePath("photo.jpg");
        Fixtures::WriteFile(path, Fixtures::Encode(Fixtures::PhotoLike(900, 600), "jpeg", 90));
        QString error;
        ConvertImage(path, out.path(), "photo.jpg", true, 300, kImageTypeJpeg, true, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(QImage(path).size(), QSize(300, 200));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{"photo.jpg"});
    }

    void emptyFolderIsRefused()
    {
        const QString source = Write("any.png", Fixtures::Encode(Fixtures::PhotoLike(40, 30), "png"));
        QString error;
        ConvertImage(source, "  ", "photo.jpg", false, 0, kImageTypeJpeg, true, &error);
        QVERIFY(!error.isEmpty());
    }

    void scalerMatchesImageMagickBicubic()
    {
        const QString convert = QStandardPaths::findExecutable("convert");
        if (convert.isEmpty())
            QFAIL("ImageMagick's convert is needed (scripts/setup.sh installs it)");
        const QImage source = Fixtures::PhotoLike(1600, 1200);
        const QString sourcePath = Write("scaler-source.png", Fixtures::Encode(source, "png"));
        const QString referencePath = m_dir.filePath("scaler-reference.png");
        const TestSupport::ChildRun magick =
            TestSupport::RunChild(convert, {sourcePath, "-filter", "Catrom", "-resize", "600x450!", referencePath});
        QVERIFY2(magick.exitCode == 0, magick.err.constData());
        const QImage reference(referencePath);
        QCOMPARE(reference.size(), QSize(600, 450));

        const double ours = Psnr(ScaleBicubic(source, QSize(600, 450)), reference);
        // Taking every n-th pixel lands far below the bar, so the bar does tell a real filter apart.
        const double nearest = Psnr(source.scaled(600, 450, Qt::IgnoreAspectRatio, Qt::FastTransformation), reference);
        qInfo("PSNR against ImageMagick Catrom: ours %.1f dB, nearest pixel %.1f dB", ours, nearest);
        QVERIFY2(ours >= 45.0, qPrintable(QString::number(ours)));
        QVERIFY(nearest < 40.0);
    }

    void scalerKeepsFlatAreasAndEdges()
    {
        // A flat picture stays exactly flat, edge pixels included (the weights are renormalised there).
        QImage flat(997, 611, QImage::Format_RGB32);
        flat.fill(qRgb(12, 130, 250));
        const QImage small = ScaleBicubic(flat, QSize(101, 62));
        QCOMPARE(small.size(), QSize(101, 62));
        for (const QPoint p : {QPoint(0, 0), QPoint(100, 61), QPoint(50, 30), QPoint(0, 61)})
            QCOMPARE(small.pixel(p), qRgb(12, 130, 250));
        QVERIFY(ScaleBicubic(flat, QSize(0, 10)).isNull());
        QVERIFY(ScaleBicubic(QImage(), QSize(10, 10)).isNull());
    }
};

QTEST_GUILESS_MAIN(TestImageLibrary)
#include "tst_imagelibrary.moc"
