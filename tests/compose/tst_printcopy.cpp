#include "../imaging/fixtures.h"
#include "compose/loadpolicy.h"
#include "compose/printphotos.h"
#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"
#include "support/pictures.h"

#include <QDir>
#include <QFile>
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
    void copiesAreTheUsersAlone();
    void flyerPhotoFindings_data();
    void flyerPhotoFindings();
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

// Print copies are the user's photos: nobody else on the machine may read them, not even the
// copies and folder an older version left readable.
void TestPrintCopy::copiesAreTheUsersAlone()
{
    const QString original = m_dir.filePath(QStringLiteral("private.jpg"));
    QVERIFY(Fixtures::WriteFile(original, Fixtures::Encode(Fixtures::PhotoLike(800, 600), "jpeg", 90)));
    const QString cache = m_dir.filePath(QStringLiteral("cache-private"));
    QVERIFY(QDir().mkpath(cache));
    QVERIFY(QFile::setPermissions(cache, QFile::Permissions(0x7755))); // as an older version made it
    const CXPrintCopyPlan plan = PlanPrintCopy(QSize(800, 600), QSizeF(100, 75), QStringLiteral("cover"));
    QString error;
    const QString copy = MakePrintCopy(original, plan, cache, &error);
    QVERIFY2(!copy.isEmpty(), qPrintable(error));
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    QCOMPARE(QFile::permissions(copy) & ~(QFile::ReadUser | QFile::WriteUser), ownerOnly);
    QCOMPARE(QFile::permissions(cache) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             ownerOnly | QFile::ExeOwner);

    // A copy found again is made private too.
    QVERIFY(QFile::setPermissions(copy, QFile::Permissions(0x6644)));
    QCOMPARE(MakePrintCopy(original, plan, cache, &error), copy);
    QCOMPARE(QFile::permissions(copy) & ~(QFile::ReadUser | QFile::WriteUser), ownerOnly);
}

void TestPrintCopy::flyerPhotoFindings_data()
{
    QTest::addColumn<QByteArray>("bytes"); // of the slot's photo; empty: a link out of the project
    QTest::addColumn<bool>("originals");   // check the original behind it as well
    QTest::addColumn<QString>("rule");     // empty: nothing found
    QTest::addColumn<QString>("message");  // a part of it
    const QByteArray whole = Fixtures::Encode(Fixtures::PhotoLike(600, 400), "jpeg", 90);
    QTest::newRow("sound") << whole << true << QString() << QString();
    QTest::newRow("cut at 700 bytes") << whole.left(700) << false << "photo-damaged"
                                      << "is damaged or incomplete and cannot be used.";
    QTest::newRow("cut half way") << whole.left(whole.size() / 2) << false << "photo-damaged"
                                  << "is damaged or incomplete";
    QTest::newRow("a text file") << QByteArray("not a photo\n") << false << "photo-damaged"
                                 << "is not a picture that Listora can open (JPEG, PNG or BMP).";
    QTest::newRow("30000 x 30000") << Fixtures::JpegClaiming(QSize(30000, 30000)) << false << "photo-damaged"
                                   << "is too large to open (30000 x 30000 pixels";
    QTest::newRow("link out of the project") << QByteArray() << false << "photo-outside"
                                             << "lies outside the folders a flyer may show pictures from.";
}

// What each output names for a project's photo, with the same roots the page has.
void TestPrintCopy::flyerPhotoFindings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, originals);
    QFETCH(QString, rule);
    QFETCH(QString, message);
    const QString project = m_dir.filePath(QStringLiteral("findings-%1").arg(QTest::currentDataTag()));
    const QString outside = m_dir.filePath(QStringLiteral("elsewhere-%1").arg(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(project) && QDir().mkpath(outside));
    const QString photo = QDir(project).filePath(QStringLiteral("_photo02.jpg"));
    if (bytes.isEmpty()) {
        const QString secret = QDir(outside).filePath(QStringLiteral("secret.jpg"));
        QVERIFY(Fixtures::WriteFile(secret, Fixtures::Encode(Fixtures::PhotoLike(600, 400), "jpeg", 90)));
        QVERIFY(QFile::link(secret, photo));
    } else {
        QVERIFY(Fixtures::WriteFile(photo, bytes));
    }
    std::array<CXPhotoSlot, 4> slots;
    for (int i = 0; i < 4; ++i)
        slots[size_t(i)].slot = i + 1;
    slots[1].screen = photo;
    slots[1].original = OriginalOfPhoto(photo, 2);
    // A slot whose file is gone stays an empty box, as it always was.
    slots[2].screen = QDir(project).filePath(QStringLiteral("_photo03.jpg"));
    slots[2].original = slots[2].screen;
    CXPageLoadPolicy policy;
    policy.SetRoots({project});

    const CXFindings findings = CheckFlyerPhotos(slots, policy, originals);
    if (rule.isEmpty()) {
        QVERIFY(findings.isEmpty());
        return;
    }
    QCOMPARE(findings.size(), 1);
    QCOMPARE(findings.at(0).rule, rule);
    QCOMPARE(findings.at(0).field, QStringLiteral("photo2"));
    QVERIFY(findings.at(0).IsError());
    QVERIFY2(findings.at(0).message.startsWith(QStringLiteral("Photo 2 (%1)").arg(QDir::toNativeSeparators(photo))),
             qPrintable(findings.at(0).message));
    QVERIFY2(findings.at(0).message.contains(message), qPrintable(findings.at(0).message));
}

QTEST_GUILESS_MAIN(TestPrintCopy)
#include "tst_printcopy.moc"
