#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"
#include "imaging/photocrop.h"
#include "imaging/photointake.h"
#include "output/batchintake.h"
#include "flyer/flyerdata.h"
#include "support/pictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Fine detail (grain, thin stripes) as a camera picture has it: a decoder that skips or blurs
// pixels shows here, where a flat picture would hide it.
QImage CameraLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const int stripe = ((x / 3) % 2) * 40;
            const int r = int(120 + 80 * std::sin(x * 0.013) * std::cos(y * 0.021)) + grain;
            const int g = int(110 + 60 * std::sin((x + y) * 0.007)) + stripe / 2 + grain;
            const int b = int(90 + 70 * std::cos(y * 0.017)) + ((y / 5) % 2) * 30 + grain;
            line[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    return image;
}

using TestSupport::Psnr;

} // namespace

class TestBatchIntake : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QImage camera = CameraLike(3000, 2000);
        QVERIFY(camera.save(m_dir.filePath(QStringLiteral("camera.jpg")), "JPEG", 92));
        QVERIFY(camera.copy(0, 0, 1400, 900).save(m_dir.filePath(QStringLiteral("camera.png")), "PNG"));
    }

    // The batch's photo against the one the project intake makes today, both against the exact
    // reduction of the whole decoded picture: the reduced-scale decode costs at most 1 dB.
    void photoAsGoodAsTodays_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QRect>("crop");
        QTest::newRow("main photo, whole") << "camera.jpg" << 1 << QRect();
        QTest::newRow("second photo, whole") << "camera.jpg" << 2 << QRect();
        QTest::newRow("main photo, cropped") << "camera.jpg" << 1 << QRect(1001, 333, 1500, 1000);
        QTest::newRow("small crop, no reduced decode") << "camera.jpg" << 3 << QRect(17, 5, 660, 420);
        QTest::newRow("PNG") << "camera.png" << 1 << QRect();
    }

    void photoAsGoodAsTodays()
    {
        QFETCH(QString, file);
        QFETCH(int, slot);
        QFETCH(QRect, crop);
        const QString source = m_dir.filePath(file);
        const std::optional<QRect> cropped = crop.isNull() ? std::nullopt : std::optional<QRect>(crop);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));

        const QString todayFolder = m_dir.filePath(QStringLiteral("today-") + tag);
        QVERIFY(QDir().mkpath(todayFolder));
        std::array<QString, kPhotoSlots> paths;
        paths[size_t(slot - 1)] = source;
        QVERIFY(ProcessPhotos(todayFolder, paths));
        if (cropped)
            QVERIFY(PhotoCrop::MakeSlotPhoto(todayFolder, slot, cropped));
        const QImage today(QDir(todayFolder).filePath(ReducedPhotoName(slot)));

        const QString batchFolder = m_dir.filePath(QStringLiteral("batch-") + tag);
        QVERIFY(QDir().mkpath(batchFolder));
        CFlyerData flyer;
        flyer.Reset();
        flyer.m_photos[size_t(slot - 1)].m_strPath = source;
        BatchCrops crops;
        crops[size_t(slot - 1)] = cropped;
        QStringList errors;
        QVERIFY2(TakeInRowPhotos(batchFolder, flyer, crops, false, &errors), qPrintable(errors.join('\n')));
        const QString reduced = QDir(batchFolder).filePath(ReducedPhotoName(slot));
        QCOMPARE(flyer.m_photos[size_t(slot - 1)].m_strPath, reduced);
        const QImage batch(reduced);
        // No full-size copy is written for a flyer that never needs one.
        QVERIFY(!QFileInfo::exists(QDir(batchFolder).filePath(OriginalPhotoName(slot))));

        QCOMPARE(batch.size(), today.size());
        QCOMPARE(batch.dotsPerMeterX(), today.dotsPerMeterX());
        const QImage ideal = ScaleBicubic(PhotoCrop::Apply(LoadImageFile(source), cropped), today.size());
        const double todayPsnr = Psnr(today, ideal);
        const double batchPsnr = Psnr(batch, ideal);
        qInfo("today %.2f dB, batch %.2f dB", todayPsnr, batchPsnr);
        QVERIFY2(batchPsnr >= todayPsnr - 1.0, qPrintable(QStringLiteral("%1 < %2 - 1").arg(batchPsnr).arg(todayPsnr)));
    }

    // For print, the whole picture stays where it is: the print copies read it through a link.
    void printLinksTheOriginal()
    {
        const QString folder = m_dir.filePath(QStringLiteral("print"));
        QVERIFY(QDir().mkpath(folder));
        CFlyerData flyer;
        flyer.Reset();
        flyer.m_photos[0].m_strPath = m_dir.filePath(QStringLiteral("camera.jpg"));
        QVERIFY(TakeInRowPhotos(folder, flyer, BatchCrops(), true));
        const QFileInfo original(QDir(folder).filePath(OriginalPhotoName(1)));
        QVERIFY(original.isSymLink());
        QCOMPARE(original.canonicalFilePath(),
                 QFileInfo(m_dir.filePath(QStringLiteral("camera.jpg"))).canonicalFilePath());
        QCOMPARE(GetImageInfo(original.filePath()).width, 3000);
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QFile camera(m_dir.filePath(QStringLiteral("camera.jpg")));
        QVERIFY(camera.open(QIODevice::ReadOnly));
        const QByteArray whole = camera.readAll();
        QTest::newRow("cut off in copying") << whole.left(whole.size() / 2) << "is damaged or incomplete";
        QTest::newRow("no picture") << QByteArray("just text") << "is not a picture";
    }

    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString path = m_dir.filePath(QStringLiteral("refused.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        const QString folder = m_dir.filePath(QStringLiteral("refused"));
        QVERIFY(QDir().mkpath(folder));
        CFlyerData flyer;
        flyer.Reset();
        flyer.m_photos[0].m_strPath = path;
        QStringList errors;
        QVERIFY(!TakeInRowPhotos(folder, flyer, BatchCrops(), false, &errors));
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(QDir::toNativeSeparators(path)) && errors.first().contains(text),
                 qPrintable(errors.first()));
        QCOMPARE(flyer.m_photos[0].m_strPath, path);
        QVERIFY(!QFileInfo::exists(QDir(folder).filePath(ReducedPhotoName(1))));
    }
};

QTEST_GUILESS_MAIN(TestBatchIntake)
#include "tst_batchintake.moc"
