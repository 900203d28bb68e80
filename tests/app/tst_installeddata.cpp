#include "settings/workingfolders.h"
#include "compose/templatemerge.h"
#include "settings/appsettings.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>

// The pictures the program and its preview rely on by name: compiled in under :/res/, and
// installed in the data folder under the names the merge uses.

namespace {

int AverageLuminance(const QImage& image, const QRect& area)
{
    qint64 sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            sum += qGray(image.pixel(x, y));
    return int(sum / (qint64(area.width()) * area.height()));
}

bool HasTransparentAndOpaque(const QImage& image)
{
    bool clear = false;
    bool solid = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            clear |= alpha == 0;
            solid |= alpha == 255;
        }
    return clear && solid;
}

} // namespace

class TestInstalledData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buttonPictures()
    {
        QSize common;
        for (const int id : {1011, 1012, 1013, 1014, 1015, 1016, 1017, 1020, 1021, 1022, 1023, 1024}) {
            const QString path = QStringLiteral(":/res/%1.png").arg(id);
            const QImage image(path);
            QVERIFY2(!image.isNull(), qPrintable(path));
            // Drawn on the button's own face colour, so the ground must be transparent.
            QVERIFY2(image.hasAlphaChannel() && HasTransparentAndOpaque(image.convertToFormat(QImage::Format_ARGB32)),
                     qPrintable(path));
            if (common.isEmpty())
                common = image.size();
            QCOMPARE(image.size(), common);
        }
        // Twelve in a row must fit the narrowest main window (925 pixels, 291 for the left pane).
        QVERIFY(12 * (common.width() + 1) + 11 * 4 <= 925 - 16 - 291);
    }

    void windowPictures()
    {
        const QImage icon(QStringLiteral(":/res/127.png"));
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.width(), icon.height());
        QVERIFY(icon.width() >= 256);

        const QImage splash(QStringLiteral(":/res/136.png"));
        QCOMPARE(splash.size(), QSize(424, 265));
        // Two lines of white 11-pixel text with a dark shadow go along the bottom.
        QVERIFY(AverageLuminance(splash, QRect(0, 265 - 32, 424, 32)) < 90);

        const QImage logo(QStringLiteral(":/res/137.png"));
        QVERIFY(!logo.isNull());
        QVERIFY(logo.hasAlphaChannel());
    }

    void samples()
    {
        CAppSettings settings;
        WorkingFolders::SetUp(settings);
        const CPreviewData& preview = CPreviewData::Get();
        auto sample = [&](const QString& name) { return QImage(settings.Path2SampleData + QLatin1Char('/') + name); };

        // The preview and every cover load the house photos as they are, so they are shipped about the
        // size of a project's photos after intake; each can still be a spreadsheet's main photo
        // (landscape, over 750 x 500).
        for (const QString& name : preview.photos) {
            const QImage photo = sample(name);
            QVERIFY2(photo.width() > 750 && photo.height() > 500, qPrintable(name));
            QVERIFY2(photo.width() <= 800 && photo.height() <= 600, qPrintable(name));
        }
        const QImage portrait = sample(preview.agentPicture);
        QVERIFY2(!portrait.isNull() && portrait.height() > portrait.width(), qPrintable(preview.agentPicture));
        for (const QString& name : {preview.businessLogo, preview.mlsLogo, preview.housingLogo})
            QVERIFY2(!sample(name).isNull(), qPrintable(name));

        QImageReader blank(settings.Path2BlankImage);
        QCOMPARE(blank.format(), QByteArray("gif"));
        const QImage pixel = blank.read();
        QCOMPARE(pixel.size(), QSize(1, 1));
        QCOMPARE(qAlpha(pixel.pixel(0, 0)), 0);

        QFile warmUp(settings.Path2SampleData + QStringLiteral("/qim.htm"));
        QVERIFY(warmUp.open(QIODevice::ReadOnly));
        const QByteArray page = warmUp.readAll();
        QVERIFY(page.contains("<html") && !page.contains("http") && !page.contains("<script"));
    }
};

QTEST_GUILESS_MAIN(TestInstalledData)
#include "tst_installeddata.moc"
