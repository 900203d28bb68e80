#include "imaging/photocrop.h"
#include "imaging/photointake.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class TestPhotoCrop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void largestFrameOfTheSlotsShape_data();
    void largestFrameOfTheSlotsShape();
    void framesStayInsideAndKeepTheirShape();
    void slotPhotoIsMadeFromTheCroppedArea();
    void cropForAFrame_data();
    void cropForAFrame();
};

void TestPhotoCrop::largestFrameOfTheSlotsShape_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<bool>("meetsRules");

    QTest::newRow("portrait main") << QSize(3000, 4000) << 1 << QRect(0, 1000, 3000, 2000) << true;
    QTest::newRow("panorama second") << QSize(4000, 1000) << 2 << QRect(1214, 0, 1571, 1000) << true;
    QTest::newRow("square small main") << QSize(700, 700) << 1 << QRect(0, 116, 700, 467) << false;
    QTest::newRow("portrait second") << QSize(600, 800) << 2 << QRect(0, 209, 600, 382) << true;
    QTest::newRow("exact minimum") << QSize(750, 500) << 1 << QRect(0, 0, 750, 500) << false;
}

void TestPhotoCrop::largestFrameOfTheSlotsShape()
{
    QFETCH(QSize, picture);
    QFETCH(int, slot);
    QFETCH(QRect, frame);
    QFETCH(bool, meetsRules);
    QCOMPARE(PhotoCrop::Largest(picture, slot), frame);
    QCOMPARE(PhotoCrop::MeetsSizeRules(frame.size(), slot), meetsRules);
}

void TestPhotoCrop::framesStayInsideAndKeepTheirShape()
{
    const QSize picture(2000, 3000);
    // Dragged past the edge: moved back in, size kept.
    QCOMPARE(PhotoCrop::Inside(QRect(1500, -40, 900, 600), picture, 1), QRect(1100, 0, 900, 600));
    // Larger than the picture: shrunk to the largest frame, still 3:2.
    const QRect shrunk = PhotoCrop::Inside(QRect(0, 0, 3000, 2000), picture, 1);
    QCOMPARE(shrunk.size(), QSize(2000, 1333));
    // A corner drag keeps 3:2 whichever way it leans, and stops at the picture's edge.
    const QRect dragged = PhotoCrop::FromCorner(QPoint(100, 100), QPoint(700, 2900), picture, 1);
    QCOMPARE(dragged.topLeft(), QPoint(100, 100));
    QCOMPARE(dragged.size(), QSize(1900, 1267));
    const QRect up = PhotoCrop::FromCorner(QPoint(1000, 1000), QPoint(1600, 900), picture, 2);
    QCOMPARE(up, QRect(1000, 618, 600, 382));
}

void TestPhotoCrop::cropForAFrame_data()
{
    QTest::addColumn<std::optional<QRect>>("crop");
    QTest::addColumn<QSizeF>("frame");
    QTest::addColumn<QRect>("shown");

    QTest::newRow("3:2 crop, 3:2 frame") << std::optional<QRect>(QRect(600, 400, 1500, 1000)) << QSizeF(600, 400)
                                         << QRect(600, 400, 1500, 1000);
    QTest::newRow("close to the frame") << std::optional<QRect>(QRect(600, 400, 1500, 1000)) << QSizeF(620, 400)
                                        << QRect(600, 400, 1500, 1000);
    // A Letter flyer's wide main frame shows the middle band of the crop, as the screen does.
    QTest::newRow("3:2 crop, wide flyer frame")
        << std::optional<QRect>(QRect(1500, 0, 1500, 1000)) << QSizeF(752, 380) << QRect(1500, 0, 1500, 1000);
    // A centred 3:2 crop in a 9:16 story frame: the tallest 9:16 area of the photo, centred.
    QTest::newRow("3:2 crop, 9:16 frame")
        << std::optional<QRect>(QRect(750, 500, 1500, 1000)) << QSizeF(1080, 1920) << QRect(938, 0, 1125, 2000);
    // Off centre, the area follows the crop as far as the photo reaches.
    QTest::newRow("crop at the left") << std::optional<QRect>(QRect(0, 500, 1500, 1000)) << QSizeF(1080, 1920)
                                      << QRect(188, 0, 1125, 2000);
    QTest::newRow("crop at the right edge")
        << std::optional<QRect>(QRect(1500, 0, 1500, 1000)) << QSizeF(1080, 1920) << QRect(1688, 0, 1125, 2000);
    QTest::newRow("no crop, square frame") << std::optional<QRect>() << QSizeF(1080, 1080) << QRect(500, 0, 2000, 2000);
    QTest::newRow("crop past the photo") << std::optional<QRect>(QRect(2400, 1600, 1500, 1000)) << QSizeF(600, 400)
                                         << QRect(2400, 1600, 600, 400);
}

void TestPhotoCrop::cropForAFrame()
{
    QFETCH(std::optional<QRect>, crop);
    QFETCH(QSizeF, frame);
    QFETCH(QRect, shown);
    QCOMPARE(PhotoCrop::ForFrame(crop, QSize(3000, 2000), frame), shown);
}

void TestPhotoCrop::slotPhotoIsMadeFromTheCroppedArea()
{
    // A portrait photo, red above and blue below; the crop takes a band of the blue half.
    QTemporaryDir dir;
    QImage original(1200, 1600, QImage::Format_RGB32);
    original.fill(Qt::red);
    for (int y = 800; y < 1600; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(original.scanLine(y)), 1200, qRgb(0, 0, 255));
    QVERIFY(original.save(QDir(dir.path()).filePath(OriginalPhotoName(1)), "JPEG", 100));

    QString why;
    QVERIFY2(PhotoCrop::MakeSlotPhoto(dir.path(), 1, QRect(0, 900, 1200, 800 - 100), &why), qPrintable(why));
    const QImage photo(QDir(dir.path()).filePath(ReducedPhotoName(1)));
    QCOMPARE(photo.size(), QSize(600, 350));
    QVERIFY(qBlue(photo.pixel(300, 10)) > 200 && qRed(photo.pixel(300, 10)) < 60);
    QVERIFY(qBlue(photo.pixel(300, 340)) > 200);
    // The whole picture stays for a later crop.
    QCOMPARE(QImage(QDir(dir.path()).filePath(OriginalPhotoName(1))).size(), QSize(1200, 1600));

    // Without a crop the slot's photo is the whole picture again.
    QVERIFY(PhotoCrop::MakeSlotPhoto(dir.path(), 1, std::nullopt, &why));
    QCOMPARE(QImage(QDir(dir.path()).filePath(ReducedPhotoName(1))).size(), QSize(450, 600));
}

QTEST_GUILESS_MAIN(TestPhotoCrop)
#include "tst_photocrop.moc"
