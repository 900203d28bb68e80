#include "output/campaign.h"
#include "output/socialexport.h"

#include "catalogue/themecatalogue.h"
#include "compose/findings.h"
#include "compose/printphotos.h"
#include "compose/templatemerge.h"
#include "formats/filewriter.h"
#include "output/flyerexport.h"
#include "output/printexport.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

struct FormatInfo
{
    CampaignFormat format;
    const char* key;
    const char* title;
    const char* pageFormat;
};

const FormatInfo kFormats[] = {
    {CampaignFormat::Flyer, "flyer", "Flyer", "letter"},
    {CampaignFormat::Press, "press", "Flyer (press)", "letter"},
    {CampaignFormat::Postcard6x4, "postcard-6x4", "Postcard 6x4", "postcard-6x4"},
    {CampaignFormat::Postcard9x6, "postcard-9x6", "Postcard 9x6", "postcard-9x6"},
    {CampaignFormat::Square, "square", "Square", "square"},
    {CampaignFormat::Story, "story", "Story", "story"},
    {CampaignFormat::Link, "link", "Link", "link"},
};

const FormatInfo& Info(CampaignFormat format)
{
    for (const FormatInfo& info : kFormats) {
        if (info.format == format)
            return info;
    }
    Q_UNREACHABLE();
}

QString OneLine(QString text)
{
    text.replace(QLatin1String("\n\n"), QLatin1String(" "));
    return text.simplified();
}

// The first theme of family in the given format, in catalogue order.
const CXThemeTemplateInfo* FamilyTheme(const CXThemeCatalogue& catalogue, const QString& family,
                                       const QString& pageFormat, const QString& preferred)
{
    const CXThemeTemplateInfo* first = nullptr;
    for (const CXThemeTemplateInfo& theme : catalogue.Themes()) {
        if (theme.GetFamily().compare(family, Qt::CaseInsensitive) != 0 ||
            PageFormatName(theme.GetPageSize()) != pageFormat)
            continue;
        if (theme.GetName() == preferred)
            return &theme;
        if (!first)
            first = &theme;
    }
    return first;
}

} // namespace

const QList<CampaignFormat>& AllCampaignFormats()
{
    static const QList<CampaignFormat> all = [] {
        QList<CampaignFormat> formats;
        for (const FormatInfo& info : kFormats)
            formats.append(info.format);
        return formats;
    }();
    return all;
}

QString CampaignFormatKey(CampaignFormat format)
{
    return QString::fromLatin1(Info(format).key);
}

QString CampaignFormatTitle(CampaignFormat format)
{
    return QString::fromLatin1(Info(format).title);
}

QString CampaignPageFormat(CampaignFormat format)
{
    return QString::fromLatin1(Info(format).pageFormat);
}

bool IsCampaignPicture(CampaignFormat format)
{
    return format == CampaignFormat::Square || format == CampaignFormat::Story || format == CampaignFormat::Link;
}

bool IsCampaignPress(CampaignFormat format)
{
    return format == CampaignFormat::Press || format == CampaignFormat::Postcard6x4 ||
           format == CampaignFormat::Postcard9x6;
}

QString CampaignFileExtension(CampaignFormat format)
{
    return IsCampaignPicture(format) ? QStringLiteral(".jpg") : QStringLiteral(".pdf");
}

bool ParseCampaignFormats(const QString& text, QList<CampaignFormat>& formats, QString* error)
{
    QStringList keys;
    for (const FormatInfo& info : kFormats)
        keys.append(QString::fromLatin1(info.key));
    QList<CampaignFormat> parsed;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QString key = part.trimmed().toLower();
        if (key.isEmpty())
            continue;
        const qsizetype index = keys.indexOf(key);
        if (index < 0) {
            if (error)
                *error = QStringLiteral("\"%1\" is not a campaign format; the formats are %2")
                             .arg(part.trimmed(), keys.join(QStringLiteral(",")));
            return false;
        }
        if (!parsed.contains(kFormats[index].format))
            parsed.append(kFormats[index].format);
    }
    if (parsed.isEmpty()) {
        if (error)
            *error = QStringLiteral("no campaign format given; the formats are %1").arg(keys.join(QStringLiteral(",")));
        return false;
    }
    formats = parsed;
    return true;
}

QString CampaignFormatsText(const QList<CampaignFormat>& formats)
{
    QStringList keys;
    for (const CampaignFormat format : formats)
        keys.append(CampaignFormatKey(format));
    return keys.join(QLatin1Char(','));
}

QString CampaignBaseName(const CFlyerData& flyer)
{
    QString base = DefaultExportName(flyer);
    if (base.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        base.chop(4);
    // Every file of the campaign shares the base, so it leaves room for the longest ending; the
    // dummy extension keeps a dot in an address from being taken for one.
    qsizetype longest = 0;
    for (const CampaignFormat format : AllCampaignFormats())
        longest = std::max(longest, CampaignFileName(QString(), format).toUtf8().size());
    const QString cut = CutFileName(base + QStringLiteral(".x"), 255 - longest + 2, 255 - longest + 2);
    return cut.chopped(2);
}

QString CampaignFileName(const QString& base, CampaignFormat format)
{
    return QStringLiteral("%1 - %2%3").arg(base, CampaignFormatTitle(format), CampaignFileExtension(format));
}

QStringList CampaignFamilies(const CXThemeCatalogue& catalogue)
{
    QStringList families;
    for (const CXThemeTemplateInfo& theme : catalogue.Themes()) {
        const QString family = theme.GetFamily();
        if (!family.isEmpty() && !families.contains(family, Qt::CaseInsensitive))
            families.append(family);
    }
    return families;
}

QString FindCampaignFamily(const CXThemeCatalogue& catalogue, const QString& family)
{
    for (const CXThemeTemplateInfo& theme : catalogue.Themes()) {
        if (theme.GetFamily().compare(family.trimmed(), Qt::CaseInsensitive) == 0)
            return theme.GetFamily();
    }
    return QString();
}

QString FamilyOfTheme(const CXThemeCatalogue& catalogue, const QString& themeName)
{
    qsizetype index = 0;
    if (catalogue.FindTheme(themeName, index))
        return catalogue.at(index).GetFamily();
    return ThemeInfo::FamilyFromName(themeName);
}

QList<CCampaignItem> PlanCampaign(const CXThemeCatalogue& catalogue, const QString& family,
                                  const QList<CampaignFormat>& formats, const QString& base,
                                  const QString& preferredTheme)
{
    QList<CCampaignItem> plan;
    for (const CampaignFormat format : formats) {
        CCampaignItem item;
        item.format = format;
        item.fileName = CampaignFileName(base, format);
        const QString pageFormat = CampaignPageFormat(format);
        const CXThemeTemplateInfo* theme = FamilyTheme(catalogue, family, pageFormat, preferredTheme);
        // A family drawn only across the sheet still gives the flyer.
        if (!theme && pageFormat == QLatin1String("letter"))
            theme = FamilyTheme(catalogue, family, QStringLiteral("letter-landscape"), preferredTheme);
        if (theme)
            item.theme = *theme;
        else
            item.problem =
                QStringLiteral("the family \"%1\" has no %2 theme").arg(family, CampaignFormatTitle(format).toLower());
        plan.append(item);
    }
    return plan;
}

CCampaignResult MakeCampaignFile(const CCampaignItem& item, const CCampaignListing& listing,
                                 const CAppSettings& settings, const CCampaignEngine& engine, const QString& folder,
                                 const QString& workFolder)
{
    CCampaignResult result;
    result.format = item.format;
    result.path = QDir(folder).filePath(item.fileName);
    const auto fail = [&result](const QString& text) {
        result.error = OneLine(text);
        return result;
    };
    if (!item.theme)
        return fail(item.problem);
    const CXThemeTemplateInfo& theme = *item.theme;
    result.theme = theme.GetName();

    CCampaignPage page;
    if (!LoadTemplate(theme.GetTemplate(), page.templateText))
        return fail(
            QStringLiteral("the template %1 cannot be read").arg(QDir::toNativeSeparators(theme.GetTemplate())));
    FlyerRequest& request = page.request;
    request.look = FlyerLook{theme.GetName(), theme.GetTemplate(),
                             listing.font.isEmpty() ? theme.GetTypeface() : listing.font, listing.color};
    request.record = listing.record;
    request.extras = listing.extras;
    request.mode = FlyerMode::Project;
    request.pageSize = theme.GetPageSize();
    request.backTemplatePath = theme.GetBackTemplate(); // a card's back: the PDF's second page
    // The sidebar picture and the export's working copies are the campaign's scratch.
    CAppSettings fileSettings = settings;
    fileSettings.Path2TempFolder = workFolder;
    page.settings = &fileSettings;

    const bool picture = IsCampaignPicture(item.format);
    // As Export: a photo that would go out grey or half drawn is no file the user asked for.
    for (const CXFinding& finding :
         CheckProjectPhotos(true, listing.record, fileSettings, theme.GetTemplate(), !picture)) {
        if (finding.rule == QLatin1String(kRulePhotoDamaged))
            return fail(finding.message);
    }

    QString why;
    if (picture) {
        QImage image;
        if (!engine.picture || !engine.picture(page, image, &why))
            return fail(QStringLiteral("the picture could not be drawn: %1").arg(why));
        // Exact pixels, tagged sRGB, a JPEG within what the feeds take; written whole or not at all.
        if (!WriteSocialPicture(image, result.path, &why))
            return fail(why);
    } else {
        QByteArray pdf;
        if (!engine.printPdf || !engine.printPdf(page, IsCampaignPress(item.format), pdf, &why))
            return fail(why.isEmpty() ? QStringLiteral("the page could not be made") : why);
        if (!WritePrintQualityFile(pdf, QImage(), result.path, &why))
            return fail(why);
    }
    result.made = true;
    return result;
}

CXCampaignRun::CXCampaignRun(QList<CCampaignItem> plan, CCampaignListing listing, const CAppSettings& settings,
                             CCampaignEngine engine, const QString& folder, QObject* parent)
    : QObject(parent), m_plan(std::move(plan)), m_listing(std::move(listing)),
      m_pSettings(std::make_unique<CAppSettings>(settings)), m_engine(std::move(engine)), m_strFolder(folder)
{
}

CXCampaignRun::~CXCampaignRun() = default;

bool CXCampaignRun::Start(QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (m_bRunning)
        return fail(QStringLiteral("The campaign is being made already."));
    if (!QDir().mkpath(m_strFolder) || !QFileInfo(m_strFolder).isDir())
        return fail(QStringLiteral("The folder %1 could not be made.").arg(QDir::toNativeSeparators(m_strFolder)));
    m_pWork = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/listora-campaign-XXXXXX"));
    if (!m_pWork->isValid())
        return fail(QStringLiteral("No working folder could be made: %1").arg(m_pWork->errorString()));
    m_results.clear();
    m_bRunning = true;
    QMetaObject::invokeMethod(this, &CXCampaignRun::Step, Qt::QueuedConnection);
    return true;
}

bool CXCampaignRun::RunToEnd(QString* error)
{
    QEventLoop loop;
    connect(this, &CXCampaignRun::Finished, &loop, &QEventLoop::quit);
    if (!Start(error))
        return false;
    loop.exec();
    return true;
}

void CXCampaignRun::Step()
{
    const int index = int(m_results.size());
    if (index >= m_plan.size()) {
        m_bRunning = false;
        m_pWork.reset();
        Q_EMIT Finished();
        return;
    }
    const CCampaignItem& item = m_plan.at(index);
    Q_EMIT FileStarted(index, Total(), item.fileName);
    m_results.append(MakeCampaignFile(item, m_listing, *m_pSettings, m_engine, m_strFolder, m_pWork->path()));
    Q_EMIT FileDone(m_results.constLast(), index + 1, Total());
    // The next file after the window has had its turn.
    QMetaObject::invokeMethod(this, &CXCampaignRun::Step, Qt::QueuedConnection);
}

QStringList CXCampaignRun::FailureLines() const
{
    QStringList lines;
    for (const CCampaignResult& result : m_results) {
        if (!result.made)
            lines.append(QStringLiteral("%1: %2").arg(QFileInfo(result.path).fileName(), result.error));
    }
    return lines;
}
