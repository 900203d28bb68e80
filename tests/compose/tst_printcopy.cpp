#include "../imaging/fixtures.h"
#include "compose/printphotos.h"
#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"
#include "support/pictures.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>

namespace {

using TestSupport::Psnr;

// The copy as the program made it before decoding at libjpeg's scales: the whole original
// decoded, cut, reduced with the project's scaler, encoded as the copies are.
QImage FullDecodeCopy(const QString& original, const CXPrintCopyPlan& plan)
{
    QImage image = LoadImageFile(original).copy(plan.crop).convertToFormat(QImage::Format_RGB32);
    image = ScaleBicubic(image, plan.size);
    QImage decoded;
    decoded.loadFromData(Fixtures::Encode(image, "jpeg", 92), "JPEG");
    return decoded;
}

} // namespace

class TestPrintCopy : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void keepsQuality_data();
    void keepsQuality();
    void damagedOriginal();
};

void TestPrintCopy::keepsQuality_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("orientation"); // EXIF; 0: none
    QTest::addColumn<QSize>("upright");   // the original as it is shown
    QTest::addColumn<QSizeF>("box");      // CSS pixels
    QTest::addColumn<QString>("fit");

    // A banner that needs 5/8 of the original, cut top and bottom by object-fit: cover.
    QTest::newRow("banner") << QStringLiteral("jpeg") << 0 << QSize(2000, 1500) << QSizeF(376, 190)
                            << QStringLiteral("cover");
    QTest::newRow("thumbnail") << QStringLiteral("jpeg") << 0 << QSize(2000, 1500) << QSizeF(121, 82)
                               << QStringLiteral("cover");
    QTest::newRow("portrait held sideways")
        << QStringLiteral("jpeg") << 6 << QSize(1200, 1600) << QSizeF(200, 160) << QStringLiteral("cover");
    QTest::newRow("turned upside down, contain")
        << QStringLiteral("jpeg") << 3 << QSize(1600, 1200) << QSizeF(300, 300) << QStringLiteral("contain");
    QTest::newRow("png original") << QStringLiteral("png") << 0 << QSize(1200, 900) << QSizeF(200, 100)
                                  << QStringLiteral("cover");
}

// A print copy decoded at a reduced scale is as close to the photo as the copy made from the whole
// decode (within 1 dB), has the planned size and shows the planned part.
void TestPrintCopy::keepsQuality()
{
    QFETCH(QString, format);
    QFETCH(int, orientation);
    QFETCH(QSize, upright);
    QFETCH(QSizeF, box);
    QFETCH(QString, fit);

    const QImage photo = Fixtures::PhotoLike(upright.width(), upright.height());
    // Stored turned back, so that the EXIF turn shows the photo upright.
    QTransform back;
    if (orientation == 6)
        back.rotate(-90);
    else if (orientation == 3)
        back.rotate(180);
    QByteArray bytes = Fixtures::Encode(photo.transformed(back), format.toLatin1().constData(), 95);
    if (orientation)
        bytes = Fixtures::WithExifOrientation(bytes, uint16_t(orientation));
    const QString original = m_dir.filePath(QStringLiteral("original-%1.%2").arg(QTest::currentDataTag(), format));
    QVERIFY(Fixtures::WriteFile(original, bytes));
    QCOMPARE(GetImageInfo(original).width, upright.width());

    const CXPrintCopyPlan plan = PlanPrintCopy(upright, box, fit);
    QVERIFY(plan.size.width() < plan.crop.width()); // the copy is reduced: the case that matters
    QString error;
    const QString copy = MakePrintCopy(original, plan, m_dir.filePath(QStringLiteral("cache")), &error);
    QVERIFY2(!copy.isEmpty(), qPrintable(error));
    const QImage made(copy);
    QCOMPARE(made.size(), plan.size);

    const QImage truth = ScaleBicubic(photo.copy(plan.crop), plan.size);
    const double ours = Psnr(made, truth);
    const double before = Psnr(FullDecodeCopy(original, plan), truth);
    QVERIFY2(ours >= before - 1.0 && ours >= 30.0,
             qPrintable(QStringLiteral("%1 dB against %2 dB").arg(ours, 0, 'f', 2).arg(before, 0, 'f', 2)));
}

void TestPrintCopy::damagedOriginal()
{
    const QByteArray whole = Fixtures::Encode(Fixtures::PhotoLike(1600, 1200), "jpeg", 90);
    const QString original = m_dir.filePath(QStringLiteral("cut.jpg"));
    QVERIFY(Fixtures::WriteFile(original, whole.left(whole.size() * 2 / 3)));
    const CXPrintCopyPlan plan = PlanPrintCopy(QSize(1600, 1200), QSizeF(200, 150), QStringLiteral("cover"));
    QString error;
    const QString cache = m_dir.filePath(QStringLiteral("cache-damaged"));
    QVERIFY(MakePrintCopy(original, plan, cache, &error).isEmpty());
    QVERIFY2(error.contains(QStringLiteral("damaged")), qPrintable(error));
    QVERIFY(QDir(cache).entryList(QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(TestPrintCopy)
#include "tst_printcopy.moc"
