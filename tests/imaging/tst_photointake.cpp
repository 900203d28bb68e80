#include "imaging/imagelibrary.h"
#include "imaging/jpegturn.h"
#include "imaging/photointake.h"
#include "flyer/flyerdata.h"

#include "fixtures.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>
#include <QtEndian>

namespace {

QImage Flat(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

bool IsNear(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) < 8 && std::abs(qGreen(a) - qGreen(b)) < 8 && std::abs(qBlue(a) - qBlue(b)) < 8;
}

} // namespace

class TestPhotoIntake : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_sources;

    QString Source(const QString& name, const QImage& image, const char* format = "jpeg")
    {
        const QString path = m_sources.filePath(name);
        Fixtures::WriteFile(path, Fixtures::Encode(image, format, 92));
        return path;
    }

    static void VerifyProjectJpeg(const QString& path, const QSize& size)
    {
        const QByteArray bytes = Fixtures::ReadFile(path);
        QVERIFY2(!bytes.isEmpty(), qPrintable(path));
        QCOMPARE(QImage::fromData(bytes).size(), size);
        const Fixtures::JpegFacts facts = Fixtures::ReadJpegFacts(bytes);
        QCOMPARE(facts.densityUnit, 1);
        QCOMPARE(facts.xDensity, 96);
        QCOMPARE(facts.yDensity, 96);
        QVERIFY(facts.allQuantOne);
    }

private Q_SLOTS:
    void names()
    {
        QCOMPARE(OriginalPhotoName(1), QStringLiteral("_original01.jpg"));
        QCOMPARE(ReducedPhotoName(4), QStringLiteral("_photo04.jpg"));
        QCOMPARE(PhotoBoxSize(1), 600);
        QCOMPARE(PhotoBoxSize(2), 500);
        for (int slot = 1; slot <= kPhotoSlots; ++slot)
            QCOMPARE(ReducedPhotoName(slot), CFlyerData::PhotoFileName(slot - 1));
    }

    void projectRecordPhotosAreTakenIn()
    {
        QTemporaryDir project;
        CFlyerData record;
        record.m_photos[0].m_strPath = Source("front.jpg", Fixtures::PhotoLike(1000, 750));
        record.m_photos[0].m_reserved = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        record.m_photos[2].m_strPath = m_sources.filePath("gone.jpg");
        const CFlyerData before = record;
        QVERIFY(ProcessPhotos(project.path(), record));
        QCOMPARE(record.m_photos[0].m_strPath, QDir(project.path()).filePath(ReducedPhotoName(1)));
        QCOMPARE(record.m_photos[0].m_reserved, before.m_photos[0].m_reserved);
        QCOMPARE(record.m_photos[2], before.m_photos[2]);
        QCOMPARE(record.m_photos[1].m_strPath, QString());
    }

    void slotBecomesTwoProjectFiles_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QSize>("photo");
        QTest::newRow("landscape main photo") << 1 << QSize(4000, 3000) << QByteArray("jpeg") << QSize(600, 450);
        QTest::newRow("portrait in slot 2") << 2 << QSize(3000, 4000) << QByteArray("jpeg") << QSize(375, 500);
        QTest::newRow("small photo not enlarged") << 3 << QSize(400, 300) << QByteArray("jpeg") << QSize(400, 300);
        QTest::newRow("png in slot 4") << 4 << QSize(1000, 700) << QByteArray("png") << QSize(500, 350);
    }
    void slotBecomesTwoProjectFiles()
    {
        QFETCH(int, slot);
        QFETCH(QSize, source);
        QFETCH(QByteArray, format);
        QFETCH(QSize, photo);
        QTemporaryDir project;
        std::array<QString, kPhotoSlots> paths;
        const QString chosen = Source("chosen." + QString::fromLatin1(format),
                                      Fixtures::PhotoLike(source.width(), source.height()), format);
        paths[size_t(slot - 1)] = chosen;

        QStringList errors;
        QVERIFY(ProcessPhotos(project.path(), paths, &errors));
        QVERIFY(errors.isEmpty());

        const QDir dir(project.path());
        QCOMPARE(paths[size_t(slot - 1)], dir.filePath(ReducedPhotoName(slot)));
        // An upright camera JPEG is its own best full-size copy; anything else is made one.
        if (format == "jpeg")
            QCOMPARE(Fixtures::ReadFile(dir.filePath(OriginalPhotoName(slot))), Fixtures::ReadFile(chosen));
        else
            VerifyProjectJpeg(dir.filePath(OriginalPhotoName(slot)), source);
        VerifyProjectJpeg(dir.filePath(ReducedPhotoName(slot)), photo);
        QCOMPARE(dir.entryList(QDir::Files).size(), 2);
        for (int other = 0; other < kPhotoSlots; ++other) {
            if (other != slot - 1)
                QVERIFY(paths[size_t(other)].isEmpty());
        }
        QVERIFY(QFileInfo::exists(chosen)); // the user's own file is never touched
    }

    void streamedJpegMatchesWholePictureConversion_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::newRow("tall: the row ring wraps many times") << QSize(900, 4100);
        QTest::newRow("wide, strong reduction") << QSize(6000, 700);
        QTest::newRow("fits the box already") << QSize(590, 333);
    }
    void streamedJpegMatchesWholePictureConversion()
    {
        // Camera JPEGs go through the streaming path; every other picture through whole-picture
        // conversion. Both must give the same pixels.
        QFETCH(QSize, source);
        const QString chosen = Source("camera.jpg", Fixtures::PhotoLike(source.width(), source.height()));
        QTemporaryDir project, reference;
        std::array<QString, kPhotoSlots> paths = {chosen};
        QVERIFY(ProcessPhotos(project.path(), paths));
        QString error;
        const QString wholeReduced =
            ConvertImage(chosen, reference.path(), "p.jpg", true, 600, kImageTypeJpeg, true, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        const QDir dir(project.path());
        QCOMPARE(Fixtures::ReadFile(dir.filePath(OriginalPhotoName(1))), Fixtures::ReadFile(chosen));
        for (const auto& [streamed, whole] : {std::pair{dir.filePath(ReducedPhotoName(1)), wholeReduced}}) {
            const QImage a = QImage(streamed).convertToFormat(QImage::Format_RGB32);
            const QImage b = QImage(whole).convertToFormat(QImage::Format_RGB32);
            QCOMPARE(a.size(), b.size());
            int worst = 0;
            for (int y = 0; y < a.height(); ++y) {
                for (int x = 0; x < a.width(); ++x) {
                    const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                    worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                      std::abs(qBlue(p) - qBlue(q))});
                }
            }
            QVERIFY2(worst <= 1, qPrintable(QStringLiteral("%1: off by %2").arg(streamed).arg(worst)));
        }
    }

    // A photo taken on its side is kept turned upright without a new encode when its size is whole
    // blocks (the steps of its quantisation stay the camera's), else encoded upright as before.
    void sidewaysJpegTurnsLosslesslyWhereItCan_data()
    {
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<bool>("lossless");
        QTest::newRow("whole blocks") << QSize(1600, 1200) << true;
        QTest::newRow("ragged edge") << QSize(1601, 1203) << false;
    }
    void sidewaysJpegTurnsLosslesslyWhereItCan()
    {
        QFETCH(QSize, stored);
        QFETCH(bool, lossless);
        QImage sideways = Fixtures::PhotoLike(stored.width(), stored.height());
        const QString chosen = m_sources.filePath(QStringLiteral("sideways.jpg"));
        QVERIFY(Fixtures::WriteFile(chosen, Fixtures::WithExifOrientation(Fixtures::Encode(sideways, "jpeg", 90), 6)));
        QTemporaryDir project;
        std::array<QString, kPhotoSlots> paths = {chosen};
        QVERIFY(ProcessPhotos(project.path(), paths));

        const QByteArray original = Fixtures::ReadFile(QDir(project.path()).filePath(OriginalPhotoName(1)));
        QCOMPARE(JpegTurn::Orientation(original), 1);
        QImageReader reader(QDir(project.path()).filePath(OriginalPhotoName(1)));
        reader.setAutoTransform(false); // the pixels themselves are upright now
        const QImage upright = reader.read();
        QCOMPARE(upright.size(), stored.transposed());
        QCOMPARE(Fixtures::ReadJpegFacts(original).allQuantOne, !lossless);
        // The first stored column, turned a quarter clockwise, is the top row.
        const QImage expected = sideways.transformed(QTransform().rotate(90));
        for (const QPoint p : {QPoint(10, 10), QPoint(upright.width() - 20, 30), QPoint(40, upright.height() - 15)}) {
            const QColor a = upright.pixelColor(p), b = expected.pixelColor(p);
            QVERIFY2(std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
                         std::abs(a.blue() - b.blue()) < 24,
                     qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        }
    }

    void iccProfileTravelsWithThePhoto()
    {
        QImage picture = Fixtures::PhotoLike(800, 600);
        picture.setColorSpace(QColorSpace::DisplayP3);
        QTemporaryDir project;
        std::array<QString, kPhotoSlots> paths = {Source("p3.jpg", picture)};
        QVERIFY(ProcessPhotos(project.path(), paths));
        const QDir dir(project.path());
        QCOMPARE(QImage(dir.filePath(OriginalPhotoName(1))).colorSpace(), QColorSpace(QColorSpace::DisplayP3));
        QCOMPARE(QImage(dir.filePath(ReducedPhotoName(1))).colorSpace(), QColorSpace(QColorSpace::DisplayP3));
    }

    void emptyAndMissingSlotsWriteNothing()
    {
        QTemporaryDir project;
        std::array<QString, kPhotoSlots> paths = {QString(), m_sources.filePath("gone.jpg"), QStringLiteral("  "),
                                                  m_sources.path()};
        const auto before = paths;
        QVERIFY(ProcessPhotos(project.path(), paths));
        QCOMPARE(paths, before);
        QVERIFY(QDir(project.path()).isEmpty());
    }

    void projectsOwnPhotoKeepsItsFullOriginal()
    {
        // Saving the details again hands back the project's own reduced photo.
        QTemporaryDir project;
        std::array<QString, kPhotoSlots> paths = {Source("house.jpg", Fixtures::PhotoLike(1600, 1200))};
        QVERIFY(ProcessPhotos(project.path() + "/", paths));
        const QString reduced = paths[0];
        const QByteArray reducedBytes = Fixtures::ReadFile(reduced);

        QVERIFY(ProcessPhotos(project.path(), paths));
        QCOMPARE(paths[0], reduced);
        QCOMPARE(QImage(QDir(project.path()).filePath(OriginalPhotoName(1))).size(), QSize(1600, 1200));
        QCOMPARE(Fixtures::ReadFile(reduced), reducedBytes);
    }

    void photoMovedBetweenSlotsIsReadBeforeItIsReplaced()
    {
        QTemporaryDir project;
        const QDir dir(project.path());
        std::array<QString, kPhotoSlots> paths = {Source("red.jpg", Flat(1200, 900, qRgb(220, 20, 20)))};
        QVERIFY(ProcessPhotos(project.path(), paths));

        // A new main photo, and the old one moved to slot 2.
        paths = {Source("blue.jpg", Flat(1200, 900, qRgb(20, 20, 220))), dir.filePath(ReducedPhotoName(1))};
        QVERIFY(ProcessPhotos(project.path(), paths));
        QVERIFY(IsNear(QImage(dir.filePath(ReducedPhotoName(1))).pixel(10, 10), qRgb(20, 20, 220)));
        const QImage second(dir.filePath(ReducedPhotoName(2)));
        QCOMPARE(second.size(), QSize(500, 375));
        QVERIFY(IsNear(second.pixel(10, 10), qRgb(220, 20, 20)));
        QCOMPARE(paths[1], dir.filePath(ReducedPhotoName(2)));
    }

    void chosenFullCopyIsKept()
    {
        // The user may pick the project's own full copy again; it must survive being its own source.
        QTemporaryDir project;
        const QDir dir(project.path());
        std::array<QString, kPhotoSlots> paths = {Source("house.jpg", Fixtures::PhotoLike(1600, 1200))};
        QVERIFY(ProcessPhotos(project.path(), paths));
        const QByteArray original = Fixtures::ReadFile(dir.filePath(OriginalPhotoName(1)));
        paths[0] = dir.filePath(OriginalPhotoName(1));
        QVERIFY(ProcessPhotos(project.path(), paths));
        QCOMPARE(Fixtures::ReadFile(dir.filePath(OriginalPhotoName(1))), original);
        QCOMPARE(QImage(paths[0]).size(), QSize(600, 450));
    }

    void damagedJpegsNeverBreakTheIntake()
    {
        // Bytes flipped, runs overwritten and files cut short, in the header and in the scan data, for
        // baseline and progressive files: each is taken in or refused, and a refusal writes nothing.
        QImageWriter::supportedImageFormats(); // load the plugins before the loop
        const QImage picture = Fixtures::PhotoLike(320, 240);
        QByteArray progressive;
        {
            QBuffer buffer(&progressive);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "jpeg");
            writer.setQuality(85);
            writer.setProgressiveScanWrite(true);
            writer.write(picture);
        }
        const QList<QByteArray> intact = {Fixtures::Encode(picture, "jpeg", 85), progressive};
        uint32_t seed = 20240611u;
        const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
        int takenIn = 0, refused = 0;
        for (int round = 0; round < 240; ++round) {
            QByteArray bytes = intact.at(round % 2);
            const int kind = round % 3;
            if (kind == 0) {
                for (int k = 0; k < 1 + int(next() % 4); ++k)
                    bytes[qsizetype(next() % bytes.size())] = char(next() >> 24);
            } else if (kind == 1) {
                const qsizetype at = qsizetype(next() % bytes.size());
                for (qsizetype k = at; k < std::min(bytes.size(), at + 40); ++k)
                    bytes[k] = char(next() >> 24);
            } else {
                bytes.truncate(qsizetype(next() % bytes.size()));
            }
            QTemporaryDir project;
            const QString source = m_sources.filePath(QStringLiteral("damaged%1.jpg").arg(round));
            Fixtures::WriteFile(source, bytes);
            std::array<QString, kPhotoSlots> paths = {source};
            QStringList errors;
            if (ProcessPhotos(project.path(), paths, &errors)) {
                ++takenIn;
                QCOMPARE(QImage(paths[0]).size().isEmpty(), false);
            } else {
                ++refused;
                QCOMPARE(errors.size(), 1);
                QCOMPARE(paths[0], source);
                QVERIFY(QDir(project.path()).isEmpty());
            }
        }
        qInfo("damaged JPEGs: %d taken in, %d refused", takenIn, refused);
    }

    // Real-world variants of camera files are taken in; a file whose rows have no data is refused
    // whole, whichever decoder reads it, and so is a file that is no picture at all.
    void cutOffJpegsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refusal"); // empty: taken in

        const QImage picture = Fixtures::PhotoLike(1000, 700);
        const QByteArray baseline = Fixtures::Encode(picture, "jpeg", 90);
        QByteArray progressive;
        {
            QBuffer buffer(&progressive);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "jpeg");
            writer.setQuality(90);
            writer.setProgressiveScanWrite(true);
            writer.write(picture);
        }
        // Held turned: the intake reads it through Qt's decoder, not the streaming one.
        const QByteArray turned = Fixtures::WithExifOrientation(
            Fixtures::Encode(picture.transformed(QTransform().rotate(-90)), "jpeg", 90), 6);
        QVERIFY(baseline.endsWith("\xFF\xD9"));

        const QString damaged = QStringLiteral("is damaged or incomplete and cannot be used.");
        QTest::newRow("baseline") << baseline << QString();
        QTest::newRow("progressive") << progressive << QString();
        QTest::newRow("turned by EXIF") << turned << QString();
        QTest::newRow("junk after the end marker") << baseline + QByteArray(3000, '\x5A') << QString();
        QTest::newRow("no end marker") << baseline.chopped(2) << QString();
        QTest::newRow("padding before the end marker")
            << baseline.chopped(2) + QByteArray(5, '\0') + "\xFF\xD9" << QString();
        QByteArray unknownApp = baseline;
        unknownApp.insert(2, QByteArray("\xFF\xE9\x00\x10vendor-data\x00\x01\x02", 18));
        QTest::newRow("unknown APP9 segment") << unknownApp << QString();

        QTest::newRow("cut at 700 bytes") << baseline.left(700) << damaged;
        QTest::newRow("cut in half") << baseline.left(baseline.size() / 2) << damaged;
        QTest::newRow("progressive cut in half") << progressive.left(progressive.size() / 2) << damaged;
        QTest::newRow("turned, cut in half") << turned.left(turned.size() / 2) << damaged;
        QByteArray taller = baseline;
        const qsizetype frame = taller.indexOf("\xFF\xC0");
        QVERIFY(frame > 0);
        QCOMPARE(qFromBigEndian<quint16>(taller.constData() + frame + 5), quint16(700));
        qToBigEndian<quint16>(900, taller.data() + frame + 5);
        QTest::newRow("header promises more rows") << taller << damaged;
        QTest::newRow("text named .jpg") << QByteArray("Call the seller before Friday.\n")
                                         << QStringLiteral(
                                                "is not a picture that Listora can open (JPEG, PNG or BMP).");
    }

    void cutOffJpegsAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refusal);
        const QString source = m_sources.filePath(QStringLiteral("variant.jpg"));
        QVERIFY(Fixtures::WriteFile(source, bytes));
        QTemporaryDir project;
        std::array<QString, kPhotoSlots> paths = {source};
        QStringList errors;
        const bool taken = ProcessPhotos(project.path(), paths, &errors);
        const QString check = CheckPictureFile(source, QStringLiteral("variant.jpg"));
        if (refusal.isEmpty()) {
            QVERIFY2(taken, qPrintable(errors.join('\n')));
            QVERIFY2(check.isEmpty(), qPrintable(check));
            const QImage reduced(paths[0]);
            QCOMPARE(reduced.size(), QSize(600, 420));
            // Not grey: the bottom rows hold the picture.
            QVERIFY(!IsNear(reduced.pixel(300, 415), qRgb(128, 128, 128)));
            return;
        }
        QVERIFY(!taken);
        QCOMPARE(errors, QStringList(QDir::toNativeSeparators(source) + QLatin1Char(' ') + refusal));
        QCOMPARE(check, QStringLiteral("variant.jpg ") + refusal);
        QCOMPARE(paths[0], source);
        QVERIFY(QDir(project.path()).isEmpty());
    }

    void failedSlotKeepsItsPathAndSaysWhy()
    {
        QTemporaryDir project;
        const QString notPicture = m_sources.filePath("listing.jpg");
        Fixtures::WriteFile(notPicture, "not a picture");
        const QString huge = m_sources.filePath("huge.png");
        QFile::copy(LISTORA_TEST_DATA "/huge-30000x30000.png", huge);
        std::array<QString, kPhotoSlots> paths = {notPicture, Source("ok.jpg", Fixtures::PhotoLike(800, 600)), huge};

        QStringList errors;
        QVERIFY(!ProcessPhotos(project.path(), paths, &errors));
        QCOMPARE(errors.size(), 2);
        QVERIFY(errors.at(0).contains("listing.jpg"));
        QVERIFY(errors.at(1).contains("huge.png"));
        QCOMPARE(paths[0], notPicture);
        QCOMPARE(paths[2], huge);
        QCOMPARE(paths[1], QDir(project.path()).filePath(ReducedPhotoName(2)));
        QCOMPARE(QDir(project.path()).entryList(QDir::Files), QStringList({OriginalPhotoName(2), ReducedPhotoName(2)}));
    }
};

QTEST_GUILESS_MAIN(TestPhotoIntake)
#include "tst_photointake.moc"
