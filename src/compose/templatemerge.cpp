#include "compose/templatemerge.h"

#include "catalogue/fontcatalogue.h"
#include "catalogue/themetemplateinfo.h"
#include "compose/adrules.h"
#include "compose/listinghtml.h"
#include "compose/qrcode.h"
#include "formats/codepage.h"
#include "formats/colorref.h"
#include "imaging/sidebarimage.h"
#include "flyer/flyerdata.h"
#include "flyer/listingextras.h"
#include "settings/appsettings.h"

#include <QFile>

#include <utility>

namespace {

// A template is a page of HTML; anything this large is not one, and reading it would only
// exhaust memory.
constexpr qint64 kMaxTemplateBytes = 32 * 1024 * 1024;

const QString kNameSpanOpen = QStringLiteral("<span id=\"name\" style=\"font-size: 16px; font-weight: bold; color: ");
const QString kSpacer = QStringLiteral("<div style=\"height: 16px; display: block;\"></div>");
const QString kBr = QStringLiteral("<br>");

QString InFolder(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString SampleUrl(const CAppSettings& settings, const QString& name)
{
    return ToFileUrl(InFolder(settings.Path2SampleData, name));
}

QString SamplePhotoUrl(const CAppSettings& settings, int index)
{
    return SampleUrl(settings, CPreviewData::Get().photos[size_t(index)]);
}

// Inside the template's single quotes.
QString CssQuoted(const QString& name)
{
    QString text = name;
    return text.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
}

QString GatedColor(int flag, const QString& hex)
{
    return flag == 1 ? hex : QStringLiteral("#000000");
}

using Rows = std::initializer_list<std::pair<const char*, QString>>;

QString ReplaceInOrder(QString text, Rows rows)
{
    for (const auto& [token, value] : rows)
        text.replace(QLatin1String(token), value, Qt::CaseSensitive);
    return text;
}

} // namespace

const CPreviewData& CPreviewData::Get()
{
    static const CPreviewData data = [] {
        CPreviewData d;
        d.caption = QStringLiteral("New Listing");
        d.addressLine = QStringLiteral("1482 Harbor View Lane, Seaside, OR 97138");
        d.mls = QStringLiteral("MLS# 201512345678");
        d.price = QStringLiteral("Offered at $595,000");
        d.description = QStringLiteral(
            "Place text here that describes the home, location, and amenities.<br><br>Include information such as "
            "the number of bedrooms and bathrooms, recent updates to the home, view, or a description of the "
            "neighborhood.<br><br>This text should be limited to two or three short paragraphs.");
        d.features = QStringLiteral(
            "&#8226;&nbsp;Number of Bedrooms&nbsp;&nbsp;&nbsp;&#8226;&nbsp;Number of Baths&nbsp;&nbsp;&nbsp;&#8226;"
            "&nbsp;sq. ft.&nbsp;&nbsp;&nbsp;&#8226;&nbsp;Year Built");
        d.photos = {QStringLiteral("House01-02.jpg"), QStringLiteral("House02-01.jpg"),
                    QStringLiteral("House03-01.jpg"), QStringLiteral("House04-01.jpg")};
        d.agentPicture = QStringLiteral("photo_small.jpg");
        d.businessLogo = QStringLiteral("logo.jpg");
        d.agentName = QStringLiteral("Jordan Avery");
        d.credentials = QStringLiteral("Real Estate Professional");
        d.companyBlock = QStringLiteral("Lakeshore Realty Group<br>500 Main Street, Suite 200<br>Seaside, OR 97138");
        d.phoneBlock = QStringLiteral("Office:&nbsp;(503) 555-0142<br>Mobile:&nbsp;(503) 555-0187");
        d.emailWebBlock = QStringLiteral("jordan.avery@example.com<br>www.example.com");
        d.mlsLogo = QStringLiteral("MLS_Realtor.jpg");
        d.housingLogo = QStringLiteral("EHO.jpg");
        d.disclaimer = QStringLiteral("All information deemed reliable but not guaranteed.");
        d.listingUrl = QStringLiteral("https://www.example.com/listings/1482-harbor-view-lane");
        return d;
    }();
    return data;
}

QStringList PhoneLabels()
{
    return {QStringLiteral("N/A"),       QStringLiteral("Office"), QStringLiteral("Mobile"),
            QStringLiteral("Toll-Free"), QStringLiteral("Home"),   QStringLiteral("FAX")};
}

QString PhoneLabel(int index)
{
    const QStringList labels = PhoneLabels();
    return (index >= 0 && index < labels.size()) ? labels.at(index) : labels.at(0);
}

bool LoadTemplate(const QString& path, QString& target)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxTemplateBytes)
        return false;
    QByteArray bytes = file.read(kMaxTemplateBytes + 1);
    if (bytes.size() > kMaxTemplateBytes)
        return false;
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);

    target = DecodeUtf8OrWindows1252(bytes);
    return true;
}

QString ToFileUrl(const QString& path)
{
    if (path.isEmpty())
        return QStringLiteral("file://");
#ifdef Q_OS_WIN
    const QString slashed = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
#else
    const QString& slashed = path; // a backslash is an ordinary character of a file name here
#endif
    QString url = QStringLiteral("file://");
    if (!slashed.startsWith(QLatin1Char('/')))
        url += QLatin1Char('/'); // a drive letter: file:///C:/...
    static const QLatin1String kPlain("-._~/:!$*+,;=@");
    for (const QChar c : slashed) {
        const char16_t u = c.unicode();
        const bool plain = u >= 0x80 || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                           kPlain.contains(QLatin1Char(char(u)));
        if (plain)
            url += c;
        else
            url += QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
    }
    return url;
}

QString CloseBidiControls(const QString& text)
{
    enum : char32_t
    {
        kLre = 0x202A,
        kRle = 0x202B,
        kPdf = 0x202C,
        kLro = 0x202D,
        kRlo = 0x202E,
        kLri = 0x2066,
        kRli = 0x2067,
        kFsi = 0x2068,
        kPdi = 0x2069
    };
    // What is open, innermost last: true for an isolate, false for an embedding or override.
    QList<bool> open;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t code = text.at(i).unicode();
        if (code == u'&' && i + 2 < size && text.at(i + 1) == u'#') {
            // The page is HTML: "&#x202E;" is as much an override as the character itself.
            qsizetype j = i + 2;
            const bool hex = text.at(j) == u'x' || text.at(j) == u'X';
            if (hex)
                ++j;
            const qsizetype digits = j;
            char32_t value = 0;
            while (j < size) {
                const char16_t c = text.at(j).unicode();
                int digit = -1;
                if (c >= u'0' && c <= u'9')
                    digit = c - u'0';
                else if (hex && c >= u'a' && c <= u'f')
                    digit = c - u'a' + 10;
                else if (hex && c >= u'A' && c <= u'F')
                    digit = c - u'A' + 10;
                if (digit < 0)
                    break;
                // Capped: a reference past the last code point is no control and must not wrap into one.
                value = qMin<char32_t>(value * (hex ? 16 : 10) + char32_t(digit), 0x110000);
                ++j;
            }
            if (j > digits) {
                code = value;
                i = (j < size && text.at(j) == u';') ? j : j - 1;
            }
        }
        switch (code) {
        case kLre:
        case kRle:
        case kLro:
        case kRlo:
            open.append(false);
            break;
        case kLri:
        case kRli:
        case kFsi:
            open.append(true);
            break;
        case kPdf:
            // A PDF never reaches past an isolate.
            if (!open.isEmpty() && !open.last())
                open.removeLast();
            break;
        case kPdi:
            // A PDI ends the innermost isolate and everything opened inside it.
            if (open.contains(true)) {
                while (!open.takeLast()) {
                }
            }
            break;
        default:
            break;
        }
    }
    if (open.isEmpty())
        return text;
    QString closed = text;
    while (!open.isEmpty())
        closed += QChar(open.takeLast() ? char16_t(kPdi) : char16_t(kPdf));
    return closed;
}

QString ListingFieldHtml(const QString& text, ListingHtml kind)
{
    return CloseBidiControls(CleanListingHtml(text, kind));
}

QString CrLfToBr(const QString& text)
{
    return QString(text).replace(QLatin1String("\r\n"), kBr);
}

QString BrToCrLf(const QString& text)
{
    return QString(text).replace(kBr, QLatin1String("\r\n"));
}

QString FormatFeatures(const QString& text1, const QString& text2, const QString& text3, const QString& text4)
{
    QString line;
    const QString first = ListingFieldHtml(text1.trimmed(), ListingHtml::OneLine);
    if (!first.isEmpty())
        line += QStringLiteral("&#8226;&nbsp;") + first;
    for (const QString* text : {&text2, &text3, &text4}) {
        const QString value = ListingFieldHtml(text->trimmed(), ListingHtml::OneLine);
        if (!value.isEmpty())
            line += QStringLiteral("&nbsp;&nbsp;&nbsp;&#8226;&nbsp;") + value;
    }
    return line;
}

QString FormatContactInfo(int source, bool html, const CAppSettings& settings, const QString& highlightHex)
{
    const QString nameColor = GatedColor(settings.ColorRealtorName, highlightHex);
    if (source == ContactSample) {
        const CPreviewData& sample = CPreviewData::Get();
        return kNameSpanOpen + nameColor + QStringLiteral(";\">") + sample.agentName + QStringLiteral("</span><br>") +
               sample.credentials + kSpacer + sample.companyBlock + kBr + sample.phoneBlock + kBr +
               sample.emailWebBlock;
    }
    if (source != ContactProfile)
        return QString();

    const QString separator = html ? kBr : QStringLiteral("\n");
    // Mail takes the plain text as it was typed; only the page needs the markup cleaned.
    const auto field = [html](const QString& text) {
        return html ? ListingFieldHtml(text, ListingHtml::Lines) : CloseBidiControls(text);
    };
    QString body;
    int missing = 0;
    for (const QString* value : {&settings.CompanyName, &settings.Address, &settings.CityStateZipCode}) {
        if (value->isEmpty())
            ++missing;
        else
            body += field(*value) + separator;
    }
    const std::pair<int, const QString*> phones[] = {{settings.PhoneLabel01, &settings.Phone01},
                                                     {settings.PhoneLabel02, &settings.Phone02}};
    for (const auto& [label, number] : phones) {
        // A label outside the list is a damaged setting; it prints as "N/A", which is no line.
        if (PhoneLabel(label) != PhoneLabel(0) && !number->isEmpty())
            body += PhoneLabel(label) + QStringLiteral(": ") + field(*number) + separator;
        else
            ++missing;
    }
    if (settings.EmailAddress.isEmpty())
        ++missing;
    else
        body += field(settings.EmailAddress) + separator;
    if (settings.Website.isEmpty())
        ++missing;
    else
        body += field(settings.Website);

    const QString name = field(settings.FullName);
    const QString credentials = field(settings.Credentials);
    if (!html)
        return name + QStringLiteral("\n") + credentials + QStringLiteral("\n") + body;
    return kNameSpanOpen + nameColor + QStringLiteral(";\">") + name + QStringLiteral("</span><br>") + credentials +
           kSpacer + separator.repeated(missing) + body;
}

QString PageFontToken(const QString& font)
{
    const QString family = CXFontCatalogue::LookUpFamily(font);
    if (family.isEmpty() || family.compare(font, Qt::CaseInsensitive) == 0)
        return CssQuoted(font);
    return CssQuoted(family) + QStringLiteral("', '") + CssQuoted(font);
}

CMergeLook MakeMergeLook(const QString& font, quint32 color, const QString& sidebarImage)
{
    CMergeLook look;
    look.font = font;
    look.color = color;
    look.sidebarImage = sidebarImage;
    look.captionTopPadding = GetCaptionTopPadding(font);
    return look;
}

bool ProfileHasName(const CAppSettings& settings)
{
    return !settings.FullName.trimmed().isEmpty();
}

CBrokerageTexts BrokerageTexts(const CAppSettings& settings, bool ownAgent)
{
    if (!ownAgent)
        return {};
    const auto field = [](const QString& text) { return ListingFieldHtml(text.trimmed(), ListingHtml::OneLine); };
    return {field(settings.BrokerageName), field(settings.BrokeragePhone), field(settings.LicenceNumber)};
}

QString BrokerageBlock(const CBrokerageTexts& texts)
{
    QString block;
    const std::pair<const char*, const QString*> parts[] = {
        {"brokerage-name", &texts.name}, {"brokerage-phone", &texts.phone}, {"agent-licence", &texts.licence}};
    for (const auto& [cls, text] : parts) {
        if (!text->isEmpty())
            block += QStringLiteral("<span class=\"%1\">%2</span>").arg(QLatin1String(cls), *text);
    }
    return block;
}

QString MergeTemplate(const QString& templateText, const FlyerRequest& request, const CAppSettings& settings,
                      const CMergeLook& look)
{
    const bool projectMode = request.ProjectMode();
    const CFlyerData& flyer = request.record;
    const QString& listingUrl = request.extras.m_strListingUrl;
    const CListingExtras& extras = request.extras;
    const CPreviewData& sample = CPreviewData::Get();
    const bool ownAgent = projectMode || ProfileHasName(settings);
    const QString hex = ColorRefToHex(look.color);
    const QString blank = ToFileUrl(settings.Path2BlankImage);

    std::array<QString, 4> photos;
    for (int i = 0; i < 4; ++i)
        photos[i] = projectMode ? ToFileUrl(flyer.m_photos[i].m_strPath) : SamplePhotoUrl(settings, i);
    for (size_t i = 0; i < photos.size(); ++i) {
        if (!look.photoUrls[i].isEmpty())
            photos[i] = look.photoUrls[i];
    }
    const QString companyLogo = settings.IncludeMyLogo != 1 ? blank
                                : !ownAgent                 ? SampleUrl(settings, sample.businessLogo)
                                : !look.companyLogoUrl.isEmpty()
                                    ? look.companyLogoUrl
                                    : ToFileUrl(InFolder(settings.strSavePath, QStringLiteral("Logo.jpg")));
    const QString myPicture = !ownAgent ? SampleUrl(settings, sample.agentPicture)
                              : !look.myPictureUrl.isEmpty()
                                  ? look.myPictureUrl
                                  : ToFileUrl(InFolder(settings.strSavePath, QStringLiteral("MyPicture.jpg")));

    const QString qrAddress = projectMode ? QrCodeAddress(listingUrl, settings.Website) : sample.listingUrl;
    const QString qrCode = QrCode::SvgDataUrl(qrAddress);

    QString merged = ReplaceInOrder(
        templateText,
        {
            {"$_borderSize$", QStringLiteral("0px")},
            {"$_captionTopPadding$", look.captionTopPadding},
            {"$_pageColor$", hex},
            {"$_elementColor$", hex},
            {"$_pageFont$", PageFontToken(look.font)},
            {"$_sidebarImage$", ToFileUrl(look.sidebarImage)},
            {"$_mainPhoto$", photos[0]},
            {"$_photo02$", photos[1]},
            {"$_photo03$", photos[2]},
            {"$_photo04$", photos[3]},
            {"$_rmlsLogo$", settings.IncludeRMLSLogo == 1 ? SampleUrl(settings, sample.mlsLogo) : blank},
            {"$_ehoLogo$", settings.IncludeEHOLogo == 1 ? SampleUrl(settings, sample.housingLogo) : blank},
            {"$_companyLogo$", companyLogo},
            {"$_myPicture$", myPicture},
            {"$_contactInfo$", FormatContactInfo(ownAgent ? ContactProfile : ContactSample, true, settings, hex)},
            {"$_listingCaption$",
             projectMode ? ListingFieldHtml(flyer.m_strCaption, ListingHtml::Lines) : sample.caption},
            {"$_listingAddress$", projectMode ? ListingFieldHtml(flyer.m_strAddress, ListingHtml::Lines) +
                                                    QStringLiteral(", ") +
                                                    ListingFieldHtml(flyer.m_strCityStateZip, ListingHtml::Lines)
                                              : sample.addressLine},
            {"$_listingDescription$", projectMode
                                          ? ListingFieldHtml(CrLfToBr(flyer.m_strDescription), ListingHtml::Paragraphs)
                                          : CrLfToBr(sample.description)},
            {"$_listingFeatures$", projectMode ? FormatFeatures(flyer.m_strFeatures[0], flyer.m_strFeatures[1],
                                                                flyer.m_strFeatures[2], flyer.m_strFeatures[3])
                                               : sample.features},
            {"$_listingMLS$", projectMode ? ListingFieldHtml(flyer.m_strMLS, ListingHtml::Lines) : sample.mls},
            {"$_listingPrice$", projectMode ? ListingFieldHtml(flyer.m_strPrice, ListingHtml::Lines) : sample.price},
            {"$_listingDisclaimer$",
             ownAgent ? ListingFieldHtml(settings.Disclaimer, ListingHtml::Paragraphs) : sample.disclaimer},
            {"$_listingCaptionColor$", GatedColor(settings.ColorListingCaption, hex)},
            {"$_listingAddressColor$", GatedColor(settings.ColorListingAddress, hex)},
            {"$_listingMLSColor$", GatedColor(settings.ColorMLSNumber, hex)},
            {"$_listingPriceColor$", GatedColor(settings.ColorPrice, hex)},
            {"$_listingFeaturesColor$", GatedColor(settings.ColorListingFeatures, hex)},
        });
    // The preview listing has no campaign; a theme hides what is empty, so such a page stays as it was.
    const CBrokerageTexts brokerage = BrokerageTexts(settings, ownAgent);
    // Last, so that no later row rewrites them. The address is a URL, not listing HTML: an "&" of
    // its query must not turn into a character reference on the page.
    merged = ReplaceInOrder(merged, {
                                        {"$_listingUrl$", qrAddress.toHtmlEscaped()},
                                        {"$_qrCode$", qrCode.isEmpty() ? blank : qrCode},
                                        {"$_statusLine$", projectMode ? extras.StatusLine() : QString()},
                                        {"$_listingStatus$", projectMode ? StatusLabel(extras.m_status) : QString()},
                                        {"$_openHouse$", projectMode ? extras.OpenHouseText() : QString()},
                                        {"$_brokerageBlock$", BrokerageBlock(brokerage)},
                                        {"$_brokerageName$", brokerage.name},
                                        {"$_brokeragePhone$", brokerage.phone},
                                        {"$_agentLicence$", brokerage.licence},
                                    });
    return AdRules::WithHeadEntry(merged, settings, ownAgent);
}

QString MergeCoverTemplate(const QString& templateText, const CXThemeTemplateInfo& theme, const CAppSettings& settings,
                           const QString& sidebarImage)
{
    return MergeCoverTemplate(templateText, theme.GetTypeface(), theme.GetColor(), settings, sidebarImage);
}

QString MergeCoverTemplate(const QString& templateText, const QString& typeface, quint32 color,
                           const CAppSettings& settings, const QString& sidebarImage)
{
    const CPreviewData& sample = CPreviewData::Get();
    const QString hex = ColorRefToHex(color);
    const bool ownAgent = ProfileHasName(settings);
    const QString contact = ownAgent
                                ? FormatContactInfo(ContactProfile, true, settings, hex)
                                : QStringLiteral("<span id=\"name\" style=\"font-weight: bold;\">") + sample.agentName +
                                      QStringLiteral("</span><br>") + sample.credentials + kBr + kBr +
                                      sample.companyBlock + kBr + sample.phoneBlock + kBr + sample.emailWebBlock;
    const QString myPicture = ownAgent ? ToFileUrl(InFolder(settings.strSavePath, QStringLiteral("MyPicture.jpg")))
                                       : SampleUrl(settings, sample.agentPicture);
    const QString companyLogo = !ownAgent ? SampleUrl(settings, sample.businessLogo)
                                : settings.IncludeMyLogo == 1
                                    ? ToFileUrl(InFolder(settings.strSavePath, QStringLiteral("Logo.jpg")))
                                    : ToFileUrl(settings.Path2BlankImage);
    return ReplaceInOrder(templateText, {
                                            {"$_sidebarImage$", ToFileUrl(sidebarImage)},
                                            {"$_elementColor$", hex},
                                            {"$_pageColor$", hex},
                                            {"$_pageFont$", PageFontToken(typeface)},
                                            {"$_mainPhoto$", SamplePhotoUrl(settings, 0)},
                                            {"$_photo02$", SamplePhotoUrl(settings, 1)},
                                            {"$_photo03$", SamplePhotoUrl(settings, 2)},
                                            {"$_photo04$", SamplePhotoUrl(settings, 3)},
                                            {"$_rmlsLogo$", SampleUrl(settings, sample.mlsLogo)},
                                            {"$_ehoLogo$", SampleUrl(settings, sample.housingLogo)},
                                            {"$_myPicture$", myPicture},
                                            {"$_companyLogo$", companyLogo},
                                            {"$_contactInfo$", contact},
                                            {"$_listingCaption$", sample.caption},
                                            {"$_listingAddress$", sample.addressLine},
                                            {"$_listingDescription$", sample.description},
                                            {"$_listingFeatures$", sample.features},
                                            {"$_listingMLS$", sample.mls},
                                            {"$_listingPrice$", sample.price},
                                            {"$_listingDisclaimer$",
                                             ownAgent ? ListingFieldHtml(settings.Disclaimer, ListingHtml::Paragraphs)
                                                      : sample.disclaimer},
                                            {"$_listingUrl$", sample.listingUrl.toHtmlEscaped()},
                                            {"$_qrCode$", QrCode::SvgDataUrl(sample.listingUrl)},
                                            {"$_statusLine$", QString()},
                                            {"$_listingStatus$", QString()},
                                            {"$_openHouse$", QString()},
                                            {"$_brokerageBlock$", BrokerageBlock(BrokerageTexts(settings, ownAgent))},
                                            {"$_brokerageName$", BrokerageTexts(settings, ownAgent).name},
                                            {"$_brokeragePhone$", BrokerageTexts(settings, ownAgent).phone},
                                            {"$_agentLicence$", BrokerageTexts(settings, ownAgent).licence},
                                        });
}

SidebarKind SidebarKindFor(const QString& themeName)
{
    if (!themeName.contains(QLatin1String("Sidebar"), Qt::CaseSensitive))
        return SidebarKind::None;
    return themeName.contains(QLatin1String("Gradient"), Qt::CaseSensitive) ? SidebarKind::Outlined
                                                                            : SidebarKind::Plain;
}

CFlyerPage ComposeFlyerPage(const QString& templateText, const FlyerRequest& request, const CAppSettings& settings)
{
    CFlyerPage result;
    const FlyerLook& look = request.look;
    const SidebarKind sidebar = SidebarKindFor(look.themeName);
    if (sidebar != SidebarKind::None) {
        const QString caption = request.ProjectMode() ? request.record.m_strCaption : CPreviewData::Get().caption;
        result.sidebarImage =
            CreateSidebarImage(caption, sidebar == SidebarKind::Outlined, look.font, settings.Path2TempFolder);
    }
    result.page =
        request.mode == FlyerMode::Cover
            ? MergeCoverTemplate(templateText, look.font, look.color, settings, result.sidebarImage)
            : MergeTemplate(templateText, request, settings, MakeMergeLook(look.font, look.color, result.sidebarImage));
    return result;
}
