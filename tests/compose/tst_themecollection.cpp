#include "settings/workingfolders.h"
#include "support/childprocess.h"
#include "support/flyerrequests.h"
#include "catalogue/fontcatalogue.h"
#include "catalogue/themecatalogue.h"
#include "catalogue/themetemplateinfo.h"
#include "compose/adrules.h"
#include "compose/loadpolicy.h"
#include "compose/render/emptyframes.h"
#include "compose/render/printpage.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "compose/textfit.h"
#include "compose/themecover.h"
#include "flyer/flyerdata.h"
#include "flyer/pagesize.h"
#include "imaging/imagelibrary.h"
#include "settings/appsettings.h"

#include <QDate>
#include <QFile>
#include <QImage>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

// The installed theme collection: what the catalogue lists, and how every theme lays out real
// listings. Photos and the sidebar picture are replaced by flat key colours, so their visible
// area can be counted: text that spills over a photo takes pixels away from it.

namespace {

constexpr int kSlots = 4;
const QColor kSlotKeys[kSlots] = {QColor(255, 0, 255), QColor(0, 255, 255), QColor(255, 255, 0), QColor(0, 255, 0)};
const QColor kSidebarKey(255, 128, 0);
// The smallest photo of the Letter themes is a thumbnail of about 240 x 150 pixels; a smaller page
// has smaller ones, in proportion to its area.
constexpr int kMinPhotoPixels = 20000;

int MinPhotoPixels(QSize page)
{
    return int(qint64(kMinPhotoPixels) * page.width() * page.height() / (816 * 1056));
}

bool WriteKeyPicture(const QString& path, const QColor& colour, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path, "png");
}

QRect KeyArea(const QImage& image, const QColor& key, int* count)
{
    const QRgb wanted = key.rgb();
    int left = image.width(), top = image.height(), right = -1, bottom = -1, n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] | 0xFF000000) != (wanted | 0xFF000000))
                continue;
            ++n;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    *count = n;
    return n ? QRect(QPoint(left, top), QPoint(right, bottom)) : QRect();
}

// A photo that loaded shows many colours; a placeholder or an empty frame shows one or two.
int DistinctColours(const QImage& image, const QRect& area)
{
    QSet<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); y += 2)
        for (int x = area.left(); x <= area.right(); x += 2)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

QString Repeat(const QString& sentence, int length)
{
    QString text;
    while (text.size() < length)
        text += sentence;
    return text.left(length);
}

} // namespace

class TestThemeCollection : public QObject
{
    Q_OBJECT

private:
    CAppSettings m_settings; // the defaults: an empty profile
    CAppSettings m_fullProfile;
    CFlyerData m_defaultProject;
    CFlyerData m_longProject;
    CFlyerData m_realListing; // what an agent really posts: a long caption, four photos, an open house
    CListingExtras m_realExtras;
    CAppSettings m_agentProfile; // a whole profile with a brokerage and a licence
    CXThemeCatalogue m_catalogue;
    CXHTML2Image m_renderer;
    QTemporaryDir m_dir;
    QString m_strSidebarKey;

    const CXThemeTemplateInfo& Theme(const QString& name)
    {
        qsizetype index = 0;
        if (!m_catalogue.FindTheme(name, index))
            qFatal("theme %s vanished", qPrintable(name));
        return m_catalogue.at(index);
    }

    QImage Render(const QString& page, QSize size = kLetterPage)
    {
        QImage image;
        QString error;
        if (!m_renderer.Render(page, size.width(), size.height(), image, &error))
            qWarning("render failed: %s", qPrintable(error));
        return image.convertToFormat(QImage::Format_RGB32);
    }

    QImage RenderProject(const CXThemeTemplateInfo& theme, const QString& templateText, const CFlyerData& flyer,
                         const CAppSettings& settings, const QString& listingUrl = QString())
    {
        return RenderProject(theme, templateText, TestSupport::Request(flyer, true, listingUrl), settings);
    }

    QImage RenderProject(const CXThemeTemplateInfo& theme, const QString& templateText, const FlyerRequest& request,
                         const CAppSettings& settings)
    {
        const CMergeLook look = MakeMergeLook(theme.GetTypeface(), theme.GetColor(), m_strSidebarKey);
        return Render(MergeTemplate(templateText, request, settings, look), theme.GetPageSize());
    }

    int EmptyFrames(const QString& templateText, const QString& templatePath, const CFlyerData& flyer,
                    QSize pageSize = kLetterPage)
    {
        CXFlyerSource source;
        source.templateText = templateText;
        source.request.look.templatePath = templatePath;
        source.request.pageSize = pageSize;
        source.request.mode = FlyerMode::Project;
        source.request.record = flyer;
        source.settings = &m_settings;
        source.request.look.font = QStringLiteral("Tahoma");
        int count = -1;
        QString error;
        if (!CountEmptyFrames(m_renderer, source, count, &error))
            qWarning("layout failed: %s", qPrintable(error));
        m_renderer.SetLoadRoots(PageLoadRoots(m_settings, QString(), m_dir.path()));
        return count;
    }

    void VerifyPhotosShown(const QImage& image, const QList<QRect>& areas, const QString& what)
    {
        for (qsizetype slot = 0; slot < areas.size(); ++slot) {
            const int colours = DistinctColours(image, areas.at(slot).adjusted(4, 4, -4, -4));
            QVERIFY2(colours > 50,
                     qPrintable(QStringLiteral("%1: photo %2 shows %3 colours").arg(what).arg(slot + 1).arg(colours)));
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        WorkingFolders::SetUp(m_settings);
        QVERIFY(m_catalogue.LoadAvailableThemes(m_settings.Path2Themes));

        m_fullProfile = m_settings;
        m_fullProfile.FullName = QStringLiteral("Alexandra Montgomery-Worthington");
        m_fullProfile.Credentials = QStringLiteral("Broker Associate, CRS, ABR, GRI, SRES, e-PRO");
        m_fullProfile.CompanyName = QStringLiteral("Pacific Northwest Premier Luxury Properties International");
        m_fullProfile.Address = QStringLiteral("12345 Southwest Longest Boulevard Name, Suite 1200");
        m_fullProfile.CityStateZipCode = QStringLiteral("North Bonneville Springs, WA 98639-1234");
        m_fullProfile.PhoneLabel01 = 2;
        m_fullProfile.Phone01 = QStringLiteral("(503) 555-0199 ext. 12345");
        m_fullProfile.PhoneLabel02 = 5;
        m_fullProfile.Phone02 = QStringLiteral("(503) 555-0100");
        m_fullProfile.EmailAddress = QStringLiteral("alexandra.montgomery-worthington@pnwpremierluxury.example.com");
        m_fullProfile.Website = QStringLiteral("www.pacificnorthwestpremierluxuryproperties.example.com");
        m_fullProfile.Disclaimer = Repeat(QStringLiteral("All information deemed reliable but not guaranteed; verify "
                                                         "square footage and schools independently. "),
                                          260);

        m_defaultProject.Reset();
        for (int slot = 0; slot < kSlots; ++slot) {
            const QString path = m_dir.filePath(QStringLiteral("slot%1.png").arg(slot + 1));
            // Upright and wide pictures alike must fill their frames.
            QVERIFY(WriteKeyPicture(path, kSlotKeys[slot], slot % 2 ? QSize(375, 500) : QSize(600, 400)));
            m_defaultProject.m_photos[slot].m_strPath = path;
        }
        m_strSidebarKey = m_dir.filePath(QStringLiteral("sidebar.png"));
        QVERIFY(WriteKeyPicture(m_strSidebarKey, kSidebarKey, QSize(170, 1050)));

        m_longProject = m_defaultProject;
        m_longProject.m_strCaption =
            QStringLiteral("Stunning Craftsman Retreat with Panoramic Mountain Views & Guest Suite");
        QCOMPARE(m_longProject.m_strCaption.size(), 70);
        m_longProject.m_strMLS = QStringLiteral("MLS# 2024-0012345678-WA-NW");
        m_longProject.m_strPrice = QStringLiteral("Offered at $12,495,000 or Best Offer");
        m_longProject.m_strAddress = QStringLiteral("98765 Northeast Evergreen Ridge Parkway, Unit 4B");
        m_longProject.m_strCityStateZip = QStringLiteral("Mount Vernon Heights, Washington 98273-5550");
        const QString paragraph = QStringLiteral("The light-filled main floor offers an open living and dining area "
                                                 "with a gas fireplace and a wall of windows framing the mountains. ");
        m_longProject.m_strDescription = Repeat(paragraph, 398) + QStringLiteral("\r\n\r\n") + Repeat(paragraph, 394) +
                                         QStringLiteral("\r\n\r\n") + Repeat(paragraph, 400);
        QCOMPARE(m_longProject.m_strDescription.size(), 1200);
        m_longProject.m_strFeatures = {QStringLiteral("Five bedrooms plus detached guest studio"),
                                       QStringLiteral("Three and a half baths, heated floors!!!"),
                                       QStringLiteral("4,250 sq. ft. on a 0.75 acre corner lot."),
                                       QStringLiteral("Built 1998, fully renovated in 2022 too.")};
        for (const QString& feature : m_longProject.m_strFeatures)
            QCOMPARE(feature.size(), 40);

        m_realListing = m_defaultProject;
        m_realListing.m_strCaption = m_longProject.m_strCaption;
        m_realListing.m_strMLS = QStringLiteral("MLS# 2187456");
        m_realListing.m_strPrice = QStringLiteral("Offered at $1,249,000");
        m_realListing.m_strAddress = QStringLiteral("12807 Northeast Cedar Hollow Lane");
        m_realListing.m_strCityStateZip = QStringLiteral("Woodinville, WA 98072");
        m_realListing.m_strDescription = QStringLiteral("A light-filled craftsman on a quiet lane.");
        m_realListing.m_strFeatures = {QStringLiteral("4 Bedrooms"), QStringLiteral("3.5 Baths"),
                                       QStringLiteral("3,480 Sq. Ft."), QStringLiteral("0.62 Acre Lot")};
        m_realExtras.m_strListingUrl = QStringLiteral("https://harborlinerealty.example.com/listings/2187456");
        m_realExtras.m_status = ListingStatus::OpenHouse;
        m_realExtras.m_openHouse = COpenHouse{QDate(2026, 12, 19), QTime(13, 0), QTime(16, 0)};
        QVERIFY(m_realExtras.StatusLine().contains(QLatin1String("December 19")));

        m_agentProfile = m_settings;
        m_agentProfile.FullName = QStringLiteral("Jennifer Castellano-Reyes");
        m_agentProfile.Credentials = QStringLiteral("Broker, CRS, ABR");
        m_agentProfile.CompanyName = QStringLiteral("Harborline Realty Group");
        m_agentProfile.Address = QStringLiteral("1800 Main Street, Suite 200");
        m_agentProfile.CityStateZipCode = QStringLiteral("Bothell, WA 98011");
        m_agentProfile.PhoneLabel01 = 2;
        m_agentProfile.Phone01 = QStringLiteral("(425) 555-0142");
        m_agentProfile.PhoneLabel02 = 1;
        m_agentProfile.Phone02 = QStringLiteral("(425) 555-0188");
        m_agentProfile.EmailAddress = QStringLiteral("jennifer@harborlinerealty.com");
        m_agentProfile.Website = QStringLiteral("www.harborlinerealty.com");
        m_agentProfile.BrokerageName = QStringLiteral("Harborline Realty Group, LLC");
        m_agentProfile.BrokeragePhone = QStringLiteral("(425) 555-0100");
        m_agentProfile.LicenceNumber = QStringLiteral("Lic. #21045876");

        QVERIFY(m_renderer.WarmUp());
        m_renderer.SetLoadRoots(PageLoadRoots(m_settings, QString(), m_dir.path()));
    }

    // What the theme list and the theme filter offer, and the themes other parts rely on.
    void collection()
    {
        const QString ini = ThemeInfo::IniPath(m_settings.Path2Themes);
        QVERIFY2(m_catalogue.size() >= 12, qPrintable(ini));

        QMap<int, int> byPhotos;
        bool sidebar = false;
        bool sidebarGradient = false;
        CXFontCatalogue fonts;
        fonts.BuildKnownFonts();
        fonts.InitInstalledFonts();
        const QStringList offeredFonts = fonts.ListFonts(false);
        for (qsizetype i = 0; i < m_catalogue.size(); ++i) {
            const CXThemeTemplateInfo& theme = m_catalogue.at(i);
            ++byPhotos[theme.GetPhotos()];
            // The theme's own typeface must be one the font list offers, or covers and a fresh
            // flyer would fall back to another face.
            QVERIFY2(offeredFonts.contains(theme.GetTypeface()),
                     qPrintable(theme.GetName() + QStringLiteral(": ") + theme.GetTypeface()));
            const QSize page = theme.GetPageSize();
            QCOMPARE(theme.GetOrientation(), page.width() > page.height() ? 1 : 0);

            const SidebarKind kind = SidebarKindFor(theme.GetName());
            QString text;
            QVERIFY(LoadTemplate(theme.GetTemplate(), text));
            QCOMPARE(text.contains(QLatin1String("$_sidebarImage$")), kind != SidebarKind::None);
            if (kind == SidebarKind::None)
                continue;
            // The cover maker decides by the template path, the flyer by the name: they must agree.
            QVERIFY(theme.GetTemplate().contains(QLatin1String("Sidebar")));
            QCOMPARE(theme.GetTemplate().contains(QLatin1String("Gradient")), kind == SidebarKind::Outlined);
            (kind == SidebarKind::Outlined ? sidebarGradient : sidebar) = true;
        }
        for (const int photos : {1, 3, 4})
            QVERIFY2(byPhotos.value(photos) >= 4, qPrintable(QStringLiteral("%1-photo themes").arg(photos)));
        QVERIFY(sidebar && sidebarGradient);

        // The default theme of a fresh installation is in the collection.
        QVERIFY(m_catalogue.ContainsTheme(CAppSettings().DefaultThemeTemplate));
    }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        CXThemeCatalogue catalogue;
        catalogue.LoadAvailableThemes(WorkingFolders::Resolve().Path2Themes);
        for (qsizetype i = 0; i < catalogue.size(); ++i)
            QTest::newRow(qPrintable(catalogue.at(i).GetName())) << catalogue.at(i).GetName();
    }

    // Each theme with a new project and an empty profile, then with the longest texts a user
    // will type and a full profile: every photo shows whole in both, the sidebar picture fills its
    // band, and the preview data and the cover page show the sample photos.
    void layout()
    {
        QFETCH(QString, name);
        const CXThemeTemplateInfo& theme = Theme(name);
        QString templateText;
        QVERIFY(LoadTemplate(theme.GetTemplate(), templateText));

        const QSize pageSize = theme.GetPageSize();
        const QImage plain = RenderProject(theme, templateText, m_defaultProject, m_settings);
        const QImage longTexts = RenderProject(theme, templateText, m_longProject, m_fullProfile);
        QCOMPARE(plain.size(), pageSize);
        QCOMPARE(longTexts.size(), pageSize);
        auto keep = qScopeGuard([&] {
            if (QTest::currentTestFailed()) {
                plain.save(m_dir.filePath(name + QStringLiteral(" plain.png")));
                longTexts.save(m_dir.filePath(name + QStringLiteral(" long.png")));
                m_dir.setAutoRemove(false);
                qWarning("renders kept in %s", qPrintable(m_dir.path()));
            }
        });

        QList<QRect> photoAreas;
        for (int slot = 0; slot < kSlots; ++slot) {
            int plainCount = 0;
            int longCount = 0;
            const QRect area = KeyArea(plain, kSlotKeys[slot], &plainCount);
            const QRect longArea = KeyArea(longTexts, kSlotKeys[slot], &longCount);
            if (slot >= theme.GetPhotos()) {
                QCOMPARE(plainCount, 0);
                continue;
            }
            QVERIFY2(plainCount >= MinPhotoPixels(pageSize),
                     qPrintable(QStringLiteral("photo %1: %2 pixels").arg(slot + 1).arg(plainCount)));
            QCOMPARE(longArea, area);
            QCOMPARE(longCount, plainCount);
            photoAreas.append(area);
        }

        int sidebarPixels = 0;
        int longSidebarPixels = 0;
        KeyArea(plain, kSidebarKey, &sidebarPixels);
        KeyArea(longTexts, kSidebarKey, &longSidebarPixels);
        if (SidebarKindFor(name) == SidebarKind::None) {
            QCOMPARE(sidebarPixels, 0);
        } else {
            QVERIFY2(sidebarPixels >= 170 * 1040, qPrintable(QString::number(sidebarPixels)));
            QCOMPARE(longSidebarPixels, sidebarPixels);
        }

        // The preview data, as the render cycle merges it (with the sidebar picture it makes).
        const CFlyerPage preview =
            ComposeFlyerPage(templateText,
                             TestSupport::Request(m_defaultProject, false, QString(),
                                                  FlyerLook{name, QString(), theme.GetTypeface(), theme.GetColor()}),
                             m_settings);
        const QImage previewImage = Render(preview.page, pageSize);
        if (!preview.sidebarImage.isEmpty())
            QFile::remove(preview.sidebarImage);
        QCOMPARE(previewImage.size(), pageSize);
        VerifyPhotosShown(previewImage, photoAreas, QStringLiteral("preview"));

        // The cover page leaves some tokens as they are written; the page must still hold together,
        // and the cover maker must make its thumbnail from it.
        CCoverJob job;
        QCOMPARE(MergeThemeCover(theme, m_settings, job), CoverResult::Ready);
        const QImage coverPage = Render(job.page, pageSize);
        DiscardThemeCover(job);
        QCOMPARE(coverPage.size(), pageSize);
        VerifyPhotosShown(coverPage, photoAreas, QStringLiteral("cover"));

        CAppSettings coverSettings = m_settings;
        coverSettings.Path2ThemeCovers = m_dir.path();
        QString error;
        QCOMPARE(CreateThemeCover(theme, coverSettings, m_renderer, &error), CoverResult::Made);
        const QImage thumbnail(ThemeCoverPath(theme, coverSettings));
        // The cover keeps the page's proportions: 71 x 92 for Letter, 92 x 92 for a square post.
        QCOMPARE(thumbnail.size(), ResizeProportionally(pageSize.width(), pageSize.height(), QRect(0, 0, 92, 92)));
        QVERIFY(DistinctColours(thumbnail, thumbnail.rect()) > 50);
    }

    void fewerPhotos_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("kept");
        CXThemeCatalogue catalogue;
        catalogue.LoadAvailableThemes(WorkingFolders::Resolve().Path2Themes);
        for (qsizetype i = 0; i < catalogue.size(); ++i) {
            const CXThemeTemplateInfo& theme = catalogue.at(i);
            // Every subset of the frames that keeps the main photo, gaps included (photos 1 and 3).
            for (int mask = 1; mask < (1 << theme.GetPhotos()) - 1; mask += 2) {
                QList<int> kept;
                for (int slot = 0; slot < theme.GetPhotos(); ++slot)
                    if (mask & (1 << slot))
                        kept.append(slot);
                QStringList shown;
                for (const int slot : kept)
                    shown.append(QString::number(slot + 1));
                QTest::addRow("%s, photos %s", qPrintable(theme.GetName()), qPrintable(shown.join(QLatin1Char('+'))))
                    << theme.GetName() << kept;
            }
        }
    }

    // A listing with fewer photos than the theme has frames shows no empty frame: the photos it has
    // take the room of the missing ones.
    void fewerPhotos()
    {
        QFETCH(QString, name);
        QFETCH(QList<int>, kept);
        const CXThemeTemplateInfo& theme = Theme(name);
        QString templateText;
        QVERIFY(LoadTemplate(theme.GetTemplate(), templateText));

        const QImage full = RenderProject(theme, templateText, m_defaultProject, m_settings);
        CFlyerData fewer = m_defaultProject;
        for (int slot = 0; slot < kSlots; ++slot)
            if (!kept.contains(slot))
                fewer.m_photos[slot].m_strPath.clear();
        const QImage image = RenderProject(theme, templateText, fewer, m_settings);
        auto keep = qScopeGuard([&] {
            if (QTest::currentTestFailed()) {
                image.save(m_dir.filePath(QStringLiteral("%1 fewer %2.png").arg(name).arg(kept.size())));
                m_dir.setAutoRemove(false);
                qWarning("render kept in %s", qPrintable(m_dir.path()));
            }
        });

        int fullPixels = 0;
        for (int slot = 0; slot < theme.GetPhotos(); ++slot) {
            int count = 0;
            KeyArea(full, kSlotKeys[slot], &count);
            fullPixels += count;
        }
        int keptPixels = 0;
        for (const int slot : kept) {
            int count = 0;
            KeyArea(image, kSlotKeys[slot], &count);
            QVERIFY2(count >= MinPhotoPixels(theme.GetPageSize()),
                     qPrintable(QStringLiteral("photo %1: %2 pixels").arg(slot + 1).arg(count)));
            keptPixels += count;
        }
        // The frames of the missing photos are not left standing: their room goes to the others.
        QVERIFY2(keptPixels >= fullPixels * 97 / 100,
                 qPrintable(QStringLiteral("photos cover %1 of %2 pixels").arg(keptPixels).arg(fullPixels)));
        QCOMPARE(EmptyFrames(templateText, theme.GetTemplate(), fewer, theme.GetPageSize()), 0);
    }

    void socialPictures_data()
    {
        QTest::addColumn<QString>("name");
        CXThemeCatalogue catalogue;
        catalogue.LoadAvailableThemes(WorkingFolders::Resolve().Path2Themes);
        QMap<QString, QSet<QString>> families;
        for (qsizetype i = 0; i < catalogue.size(); ++i) {
            const CXThemeTemplateInfo& theme = catalogue.at(i);
            const QString format = PageFormatName(theme.GetPageSize());
            if (format != QLatin1String("square") && format != QLatin1String("story") &&
                format != QLatin1String("link"))
                continue;
            families[format].insert(theme.GetFamily());
            QTest::newRow(qPrintable(theme.GetName())) << theme.GetName();
        }
        for (const QString& format : {QStringLiteral("square"), QStringLiteral("story"), QStringLiteral("link")})
            QVERIFY2(families.value(format).size() >= 3, qPrintable(format));
    }

    // A social picture is seen on a phone, the whole picture about 400 pixels wide. With a real
    // listing and an agent with a brokerage, in the theme's own look: the caption and the price stay
    // at a size that reads there, the status, the address, the agent and the brokerage show, and no
    // text is shrunk past its limit or cut.
    void socialPictures()
    {
        QFETCH(QString, name);
        const CXThemeTemplateInfo& theme = Theme(name);
        QString templateText;
        QVERIFY(LoadTemplate(theme.GetTemplate(), templateText));
        const QImage image =
            RenderProject(theme, templateText, TestSupport::Request(m_realListing, true, m_realExtras), m_agentProfile);
        QCOMPARE(image.size(), theme.GetPageSize());
        auto keep = qScopeGuard([&] {
            if (QTest::currentTestFailed()) {
                image.save(m_dir.filePath(name + QStringLiteral(" social.png")));
                m_dir.setAutoRemove(false);
                qWarning("render kept in %s", qPrintable(m_dir.path()));
            }
        });

        QHash<QString, TextFit::Box> shown;
        for (const TextFit::Box& box : TextFit::ParseReport(m_renderer.LastFitReport())) {
            if (!box.shown)
                continue;
            shown.insert(box.name, box);
            QVERIFY2(box.fits && !box.cut, qPrintable(QStringLiteral("%1 does not fit: %2 of %3 characters at %4 px")
                                                          .arg(box.name)
                                                          .arg(box.kept)
                                                          .arg(box.chars)
                                                          .arg(box.size)));
        }
        for (const char* field : {"caption", "price", "address", "status", "brokerage"})
            QVERIFY2(shown.contains(QLatin1String(field)), field);
        // At 1080 pixels wide (a link preview's 1200 are held to the same).
        QVERIFY2(shown.value(QStringLiteral("caption")).size >= 48 - 0.01,
                 qPrintable(QString::number(shown.value(QStringLiteral("caption")).size)));
        QVERIFY2(shown.value(QStringLiteral("price")).size >= 40 - 0.01,
                 qPrintable(QString::number(shown.value(QStringLiteral("price")).size)));

        // The agent's name shows: it is the part of the contact block every format keeps.
        const std::optional<AdRules::Measure> measure = AdRules::FromReport(m_renderer.LastFitReport());
        QVERIFY(measure && measure->found);
        QVERIFY2(measure->contact >= 24, qPrintable(QString::number(measure ? measure->contact : 0)));
    }

    void postcardBack_data()
    {
        QTest::addColumn<QString>("name");
        CXThemeCatalogue catalogue;
        catalogue.LoadAvailableThemes(WorkingFolders::Resolve().Path2Themes);
        for (qsizetype i = 0; i < catalogue.size(); ++i)
            if (!catalogue.at(i).GetBackTemplate().isEmpty())
                QTest::newRow(qPrintable(catalogue.at(i).GetName())) << catalogue.at(i).GetName();
    }

    // A card's back goes through the post. With the longest texts and a full profile, nothing is
    // drawn in the lower right 4 x 2.375 in, which stays pale for the address and the post office's
    // machines, and the listing's code reads back.
    void postcardBack()
    {
        QFETCH(QString, name);
        const CXThemeTemplateInfo& theme = Theme(name);
        QString templateText;
        QVERIFY(LoadTemplate(theme.GetBackTemplate(), templateText));
        const QString url = QStringLiteral("https://homes.example/listing/20261145?ref=postcard");
        const QImage back = RenderProject(theme, templateText, m_longProject, m_fullProfile, url);
        QCOMPARE(back.size(), theme.GetPageSize());
        const QString png = m_dir.filePath(name + QStringLiteral(" back.png"));
        QVERIFY(back.save(png));
        auto keep = qScopeGuard([&] {
            if (QTest::currentTestFailed()) {
                m_dir.setAutoRemove(false);
                qWarning("render kept in %s", qPrintable(png));
            }
        });

        const QRect addressArea(back.width() - 384, back.height() - 228, 384, 228);
        const QRgb ground = back.pixel(addressArea.topLeft());
        int marked = 0;
        for (int y = addressArea.top(); y <= addressArea.bottom(); ++y)
            for (int x = addressArea.left(); x <= addressArea.right(); ++x)
                marked += back.pixel(x, y) != ground;
        QVERIFY2(marked == 0, qPrintable(QStringLiteral("%1 pixels drawn in the address area").arg(marked)));
        QVERIFY2(qGray(ground) >= 200, qPrintable(QColor(ground).name()));

        const TestSupport::ChildRun read =
            TestSupport::RunChild(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), png});
        QVERIFY2(read.exitCode == 0, read.err.constData());
        QCOMPARE(QString::fromUtf8(read.out).trimmed(), url);
    }

    // A theme that keeps its frames whatever the listing has: the empty ones are found, so preflight
    // and Flyer Details can say so.
    void emptyFramesOfAFixedLayout()
    {
        const QString path = QStringLiteral(LISTORA_TEST_DATA "/fixed-frames.htm");
        QString templateText;
        QVERIFY(LoadTemplate(path, templateText));
        CFlyerData flyer = m_defaultProject;
        QCOMPARE(EmptyFrames(templateText, path, flyer), 0);
        flyer.m_photos[2].m_strPath.clear();
        QCOMPARE(EmptyFrames(templateText, path, flyer), 1);
        flyer.m_photos[1].m_strPath.clear();
        QCOMPARE(EmptyFrames(templateText, path, flyer), 2);
        QVERIFY(EmptyFrameMessage(2).contains(QLatin1String("2 photo frames empty")));

        // The preflight names them in a warning.
        CXFlyerSource source;
        source.templateText = templateText;
        source.request.look.templatePath = path;
        source.request.mode = FlyerMode::Project;
        source.request.record = flyer;
        source.settings = &m_settings;
        source.request.look.font = QStringLiteral("Tahoma");
        CXPrintPage page;
        QVERIFY(MakePrintPage(m_renderer, source, PrintPageWork::PreflightOnly, page));
        m_renderer.SetLoadRoots(PageLoadRoots(m_settings, QString(), m_dir.path()));
        const auto found = std::find_if(page.findings.cbegin(), page.findings.cend(),
                                        [](const CXFinding& finding) { return finding.rule == "empty-frame"; });
        QVERIFY(found != page.findings.cend());
        QVERIFY(!found->IsError());
        QCOMPARE(found->message, EmptyFrameMessage(2));
    }
};

QTEST_MAIN(TestThemeCollection)
#include "tst_themecollection.moc"
