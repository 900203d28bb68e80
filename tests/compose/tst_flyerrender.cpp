#include "catalogue/themetemplateinfo.h"
#include "support/flyerrequests.h"
#include "compose/loadpolicy.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "compose/themecover.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kFixture = QStringLiteral(LISTORA_TEST_DATA "/flyer.htm");

CXThemeTemplateInfo Theme(const QString& templatePath, quint32 color, const QString& name = QStringLiteral("T"))
{
    return CXThemeTemplateInfo(name, templatePath, QStringLiteral("ABC-123.png"), QStringLiteral("DejaVu Sans"), color,
                               1, 816, 1056, QStringLiteral("{ABC-123}"), QStringLiteral("1.0"), QString(), 0);
}

bool HasDarkPixel(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) < 40 && qGreen(p) < 40 && qBlue(p) < 40)
                return true;
        }
    return false;
}

bool HasWhitePixel(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF)
                return true;
    return false;
}

} // namespace

class TestFlyerRender : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    CAppSettings m_settings;
    CXHTML2Image m_renderer;

    QString CopyFixture(const QString& folderName)
    {
        const QString folder = m_dir.filePath(folderName);
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(QStringLiteral("index.htm"));
        QFile::remove(path);
        return QFile::copy(kFixture, path) ? path : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_settings.Path2ThemeCovers = m_dir.filePath(QStringLiteral("Covers"));
        m_settings.Path2TempFolder = m_dir.filePath(QStringLiteral("Temp"));
        m_settings.Path2SampleData = m_dir.filePath(QStringLiteral("Samples"));
        m_settings.Path2BlankImage = m_dir.filePath(QStringLiteral("_blank.gif"));
        QVERIFY(QDir().mkpath(m_settings.Path2TempFolder));
        QVERIFY(m_renderer.WarmUp());
        m_renderer.SetLoadRoots(PageLoadRoots(m_settings, QString(), m_dir.path()));
    }

    // A missing cover is made from the template at 71 x 92; an existing one is left alone, even
    // when the theme has changed since.
    void coverMadeOnce()
    {
        const QString templatePath = CopyFixture(QStringLiteral("Plain-KT1"));
        const QString cover = QDir(m_settings.Path2ThemeCovers).filePath(QStringLiteral("ABC-123.png"));
        QFile::remove(cover);

        QString error;
        QCOMPARE(CreateThemeCover(Theme(templatePath, 0x00204080), m_settings, m_renderer, &error), CoverResult::Made);
        QImage picture(cover);
        QCOMPARE(picture.size(), QSize(71, 92));
        QCOMPARE(QColor(picture.pixel(35, 80)).name(), QStringLiteral("#804020")); // the theme's colour
        QCOMPARE(qRound(picture.dotsPerMeterX() * 0.0254), 96);

        QFile file(cover);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        const QDateTime modified = QFileInfo(cover).lastModified();
        QCOMPARE(CreateThemeCover(Theme(templatePath, 0x000000FF), m_settings, m_renderer), CoverResult::Exists);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QCOMPARE(QFileInfo(cover).lastModified(), modified);

        // A template changed since: the cover shows the old page, and is made again.
        QFile page(templatePath);
        QVERIFY(page.open(QIODevice::ReadWrite));
        QVERIFY(page.setFileTime(modified.addMSecs(10), QFileDevice::FileModificationTime));
        page.close();
        QCOMPARE(CreateThemeCover(Theme(templatePath, 0x000000FF), m_settings, m_renderer), CoverResult::Made);
        QCOMPARE(QColor(QImage(cover).pixel(35, 80)).name(), QStringLiteral("#ff0000"));
        QCOMPARE(CreateThemeCover(Theme(templatePath, 0x000000FF), m_settings, m_renderer), CoverResult::Exists);

        // No scratch pictures stay behind.
        QCOMPARE(QDir(m_settings.Path2TempFolder).entryList(QDir::Files), QStringList());
    }

    // A cover that shows the agent is made again when the agent's name or logo changes, and once the
    // profile is cleared; a cover of the sample agent stays whatever the profile does.
    void coverOfTheAgentFollowsTheProfile()
    {
        const QString folder = m_dir.filePath(QStringLiteral("Agent-KT2"));
        QVERIFY(QDir().mkpath(folder));
        const QString templatePath = QDir(folder).filePath(QStringLiteral("index.htm"));
        QFile page(templatePath);
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(
            "<html><body style=\"background: $_pageColor$\">$_contactInfo$<img src=\"$_companyLogo$\"></body></html>");
        page.close();
        const CXThemeTemplateInfo theme = Theme(templatePath, 0x00204080);
        const QString cover = QDir(m_settings.Path2ThemeCovers).filePath(QStringLiteral("ABC-123.png"));
        QFile::remove(cover);
        CAppSettings settings = m_settings;
        settings.strSavePath = m_dir.filePath(QStringLiteral("My Listora"));
        settings.IncludeMyLogo = 1;
        QVERIFY(QDir().mkpath(settings.strSavePath));
        const QString logo = QDir(settings.strSavePath).filePath(QStringLiteral("Logo.jpg"));
        QImage(200, 66, QImage::Format_RGB32).save(logo, "JPEG");
        const auto make = [&] {
            CCoverJob job;
            QCOMPARE(PrepareThemeCover(theme, settings, job), CoverResult::Ready);
            QImage page(816, 1056, QImage::Format_ARGB32);
            page.fill(Qt::white);
            QCOMPARE(FinishThemeCover(job, page), CoverResult::Made);
        };

        settings.FullName = QStringLiteral("Dana Whitfield");
        make();
        QVERIFY(!ThemeCoverIsDue(theme, settings));
        CCoverJob job;
        QCOMPARE(PrepareThemeCover(theme, settings, job), CoverResult::Exists);

        settings.FullName = QStringLiteral("Dana Whitfield-Ames");
        QVERIFY(ThemeCoverIsDue(theme, settings));
        make();
        QVERIFY(!ThemeCoverIsDue(theme, settings));
        QImage(200, 66, QImage::Format_RGB32).save(logo, "JPEG", 20);
        QFile renewed(logo); // a new logo under the old name
        QVERIFY(renewed.open(QIODevice::ReadWrite));
        QVERIFY(renewed.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
        renewed.close();
        QVERIFY(ThemeCoverIsDue(theme, settings));
        make();

        settings.FullName.clear();
        QVERIFY(ThemeCoverIsDue(theme, settings));
        make();
        settings.FullName = QStringLiteral("Dana Whitfield");
        QVERIFY(!ThemeCoverIsDue(theme, settings));
    }

    void coverWithoutTemplateIsSkipped()
    {
        const QString cover = QDir(m_settings.Path2ThemeCovers).filePath(QStringLiteral("ABC-123.png"));
        QFile::remove(cover);
        QCOMPARE(CreateThemeCover(Theme(m_dir.filePath("none/index.htm"), 0), m_settings, m_renderer),
                 CoverResult::NoTemplate);
        QVERIFY(!QFileInfo::exists(cover));
    }

    void largeCoverIsFramed()
    {
        const QString templatePath = CopyFixture(QStringLiteral("Plain-KT1"));
        const QString folder = m_dir.filePath(QStringLiteral("Large"));
        QCOMPARE(CreateLargeThemeCover(Theme(templatePath, 0x00204080, QStringLiteral("Plain - KT1")), folder,
                                       m_settings, m_renderer),
                 CoverResult::Made);
        const QImage picture(QDir(folder).filePath(QStringLiteral("Plain - KT1.png")));
        QCOMPARE(picture.size(), QSize(652, 844));
        for (QPoint p :
             {QPoint(0, 0), QPoint(651, 0), QPoint(0, 843), QPoint(651, 843), QPoint(300, 0), QPoint(651, 400)})
            QCOMPARE(QColor(picture.pixel(p)).name(), QStringLiteral("#000000"));
        QCOMPARE(QColor(picture.pixel(300, 700)).name(), QStringLiteral("#804020"));
    }

    // Sidebar themes get the caption picture: plain white, or white with a black outline; the
    // flyer follows the theme's name, the cover its template path.
    void sidebarPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<bool>("outlined");
        QTest::newRow("Sidebar") << "Sidebar - KT5" << true << false;
        QTest::newRow("Sidebar Gradient") << "Sidebar Gradient - KT6" << true << true;
        QTest::newRow("lower case") << "sidebar gradient - KT7" << false << false;
    }

    void sidebarPictures()
    {
        QFETCH(QString, name);
        QFETCH(bool, picture);
        QFETCH(bool, outlined);
        QString templateText;
        QVERIFY(LoadTemplate(kFixture, templateText));
        CFlyerData flyer;
        flyer.Reset();
        const quint32 grey = 0x00808080;
        const QRect side(600, 100, 170, 850); // clear of the broken-image icon a missing picture gets

        const CFlyerPage flyerPage =
            ComposeFlyerPage(templateText,
                             TestSupport::Request(flyer, false, QString(),
                                                  FlyerLook{name, QString(), QStringLiteral("DejaVu Sans"), grey}),
                             m_settings);
        QCOMPARE(!flyerPage.sidebarImage.isEmpty(), picture);
        QImage image;
        QVERIFY(m_renderer.Render(flyerPage.page, 816, 1056, image));
        QCOMPARE(HasWhitePixel(image, side), picture);
        QCOMPARE(HasDarkPixel(image, side), outlined);
        if (picture)
            QVERIFY(QFile::remove(flyerPage.sidebarImage));

        // The cover decides by the template's path.
        const QString templatePath = CopyFixture(QString(name).replace(QLatin1String(" - "), QLatin1String("-")));
        CCoverJob job;
        QCOMPARE(MergeThemeCover(Theme(templatePath, grey), m_settings, job), CoverResult::Ready);
        QCOMPARE(!job.sidebarImage.isEmpty(), picture);
        QVERIFY(m_renderer.Render(job.page, 816, 1056, image));
        DiscardThemeCover(job);
        QCOMPARE(HasWhitePixel(image, side), picture);
        QCOMPARE(HasDarkPixel(image, side), outlined);
    }

    // Folder names that would cut or change a file URL still show their photo.
    void photoFolderNames_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("hash") << "Lot #4";
        QTest::newRow("percent and question mark") << "100% sold?";
        QTest::newRow("quotes and brackets") << "O'Brien \"new\" (2)";
        QTest::newRow("ampersand and non-ASCII") << "Café & Co";
    }

    void photoFolderNames()
    {
        QFETCH(QString, folder);
        const QString dir = m_dir.filePath(folder);
        QVERIFY(QDir().mkpath(dir));
        QImage photo(200, 150, QImage::Format_RGB32);
        photo.fill(QColor(0x12, 0xA0, 0x34));
        const QString path = QDir(dir).filePath(QStringLiteral("_photo01.jpg"));
        QVERIFY(photo.save(path, "PNG")); // the name does not matter to the engine, the content does

        CFlyerData flyer;
        flyer.Reset();
        flyer.m_photos[0].m_strPath = path;
        QString templateText;
        QVERIFY(LoadTemplate(kFixture, templateText));
        const CFlyerPage page =
            ComposeFlyerPage(templateText,
                             TestSupport::Request(flyer, true, QString(),
                                                  FlyerLook{QStringLiteral("Plain"), QString(), QString(), 0x00FFFFFF}),
                             m_settings);
        QImage image;
        QString error;
        QVERIFY2(m_renderer.Render(page.page, 816, 1056, image, &error), qPrintable(error));
        QCOMPARE(QColor(image.pixel(200, 175)).name(), QStringLiteral("#12a034"));
    }
};

QTEST_MAIN(TestFlyerRender)
#include "tst_flyerrender.moc"
