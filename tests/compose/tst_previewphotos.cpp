#include "compose/previewphotos.h"
#include "compose/templatemerge.h"
#include "projects/flyerdata.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

QSize PictureSize(const QString& path)
{
    return QImageReader(path).size();
}

void WritePhoto(const QString& path, QSize size, Qt::GlobalColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QVERIFY(image.save(path, "JPEG", 90));
}

} // namespace

class TestPreviewPhotos : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void copiesFittedPerSlot_data();
    void copiesFittedPerSlot();
    void copyIsMadeOnceAndRemadeWhenSampleChanges();
    void fallsBackToSample_data();
    void fallsBackToSample();
    void previewMergeUsesCopies();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    CAppSettings m_settings;
    QString m_samples;
};

void TestPreviewPhotos::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_samples = m_dir->filePath(QStringLiteral("Samples"));
    QVERIFY(QDir().mkpath(m_samples));
    m_settings = CAppSettings();
    m_settings.Path2SampleData = m_samples;
    // Two levels that do not exist yet: a fresh account has no cache folder.
    m_settings.Path2PreviewPhotos = m_dir->filePath(QStringLiteral("cache/Listora/Samples"));
    WritePhoto(m_samples + QStringLiteral("/House.jpg"), QSize(1600, 1200), Qt::darkGreen);
}

void TestPreviewPhotos::copiesFittedPerSlot_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("main photo") << 1 << QSize(600, 450);
    QTest::newRow("slot 2") << 2 << QSize(500, 375);
    QTest::newRow("slot 4") << 4 << QSize(500, 375);
}

void TestPreviewPhotos::copiesFittedPerSlot()
{
    QFETCH(int, slot);
    QFETCH(QSize, expected);
    const QString path = PreviewPhotoPath(m_settings, QStringLiteral("House.jpg"), slot);
    QVERIFY(path.startsWith(m_settings.Path2PreviewPhotos + QLatin1Char('/')));
    QCOMPARE(PictureSize(path), expected);
    QCOMPARE(QImage(path).pixelColor(expected.width() / 2, expected.height() / 2).green() > 80, true);
}

void TestPreviewPhotos::copyIsMadeOnceAndRemadeWhenSampleChanges()
{
    const QString sample = m_samples + QStringLiteral("/House.jpg");
    const QString copy = PreviewPhotoPath(m_settings, QStringLiteral("House.jpg"), 1);
    QVERIFY(copy != sample);
    const QDateTime made = QFileInfo(copy).lastModified();

    // A marker in place of the copy's pixels shows whether the next call wrote the file again.
    {
        QFile file(copy);
        QVERIFY(file.open(QIODevice::Append));
        file.write("kept");
        file.close();
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(made, QFileDevice::FileModificationTime));
    }
    const qint64 markedSize = QFileInfo(copy).size();
    QCOMPARE(PreviewPhotoPath(m_settings, QStringLiteral("House.jpg"), 1), copy);
    QCOMPARE(QFileInfo(copy).size(), markedSize);

    // An update of the program replaces the sample, here with an older date than the copy's.
    WritePhoto(sample, QSize(900, 1800), Qt::darkBlue);
    {
        QFile file(sample);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(made.addDays(-30), QFileDevice::FileModificationTime));
    }
    QCOMPARE(PreviewPhotoPath(m_settings, QStringLiteral("House.jpg"), 1), copy);
    QCOMPARE(PictureSize(copy), QSize(300, 600));
}

void TestPreviewPhotos::fallsBackToSample_data()
{
    QTest::addColumn<QString>("case_");
    QTest::newRow("no cache folder set") << QStringLiteral("unset");
    QTest::newRow("cache folder cannot be made") << QStringLiteral("blocked");
    QTest::newRow("sample is no picture") << QStringLiteral("broken");
    QTest::newRow("sample missing") << QStringLiteral("missing");
    QTest::newRow("slot out of range") << QStringLiteral("slot");
}

void TestPreviewPhotos::fallsBackToSample()
{
    QFETCH(QString, case_);
    QString name = QStringLiteral("House.jpg");
    int slot = 2;
    if (case_ == QLatin1String("unset")) {
        m_settings.Path2PreviewPhotos.clear();
    } else if (case_ == QLatin1String("blocked")) {
        // A file where the folder should be stops the folder even for root.
        const QString blocker = m_dir->filePath(QStringLiteral("cache"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (case_ == QLatin1String("broken")) {
        name = QStringLiteral("Broken.jpg");
        QFile file(m_samples + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("this is not a JPEG");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("preview uses the full-size sample")));
    } else if (case_ == QLatin1String("missing")) {
        name = QStringLiteral("Gone.jpg");
    } else {
        slot = 5;
    }
    QCOMPARE(PreviewPhotoPath(m_settings, name, slot), m_samples + QLatin1Char('/') + name);
    const QDir cache(m_dir->filePath(QStringLiteral("cache/Listora/Samples")));
    QVERIFY(!cache.exists() || cache.entryList(QDir::Files).isEmpty());
}

void TestPreviewPhotos::previewMergeUsesCopies()
{
    const CPreviewData& sample = CPreviewData::Get();
    for (int i = 0; i < 4; ++i)
        WritePhoto(m_samples + QLatin1Char('/') + sample.photos[size_t(i)], QSize(1200, 900), Qt::gray);
    CFlyerData flyer;
    flyer.Reset();
    CMergeLook look;
    look.font = QStringLiteral("Tahoma");
    const QString merged =
        MergeTemplate(QStringLiteral("$_mainPhoto$|$_photo02$|$_photo03$|$_photo04$"), false, flyer, m_settings, look);
    const QStringList urls = merged.split(QLatin1Char('|'));
    QCOMPARE(urls.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QVERIFY2(urls[i].startsWith(ToFileUrl(m_settings.Path2PreviewPhotos)), qPrintable(urls[i]));
        const QString path = QUrl(urls[i]).toLocalFile();
        QCOMPARE(PictureSize(path), i == 0 ? QSize(600, 450) : QSize(500, 375));
    }
}

QTEST_GUILESS_MAIN(TestPreviewPhotos)
#include "tst_previewphotos.moc"
