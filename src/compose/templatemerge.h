#pragma once

#include "compose/listinghtml.h"
#include "flyer/flyerrequest.h"
#include "flyer/listingextras.h"

#include <QString>
#include <QStringList>

#include <array>

class CAppSettings;
class CFlyerData;
class CXThemeTemplateInfo;

// Filling a theme template: the template is HTML with placeholders "$_name$" that are replaced
// by plain text replacement, in a fixed order, without escaping. The result goes to the renderer
// and is never written to disk.

// The listing and agent that fill the flyer when no project is open, and the theme covers.
// Picture entries are file names in the samples folder.
struct CPreviewData
{
    QString caption;
    QString addressLine;
    QString mls;
    QString price;
    QString description;
    QString features;
    std::array<QString, 4> photos;
    QString agentPicture;
    QString businessLogo;
    QString agentName;
    QString credentials;
    QString companyBlock;
    QString phoneBlock;
    QString emailWebBlock;
    QString mlsLogo;
    QString housingLogo;
    QString disclaimer;
    QString listingUrl; // the listing web address of the preview and the covers

    static const CPreviewData& Get();
};

// The phone labels of the profile, index 0 to 5; index 0 ("N/A") means the line is not printed.
QStringList PhoneLabels();
// A stored index outside 0 to 5 (a damaged setting) reads as 0, "N/A".
QString PhoneLabel(int index);

// Reads a template file: UTF-8 when the bytes are valid UTF-8, else Windows-1252, up to the first
// zero byte. False, with target unchanged, when the file cannot be read.
bool LoadTemplate(const QString& path, QString& target);

// "file://" and the path with "/" separators; characters that would end or change the URL, or
// break out of the attribute or CSS url() the template puts it in, are percent-encoded
// ("Lot #4" becomes "Lot%20%234"). An empty path gives "file://".
QString ToFileUrl(const QString& path);
QString CrLfToBr(const QString& text);

// Closes every bidirectional embedding, override and isolate that the text leaves open (also those
// written as numeric character references), so that a right-to-left override in one field cannot
// reverse the fields after it. A text without them is returned as it is.
QString CloseBidiControls(const QString& text);
// A listing or profile text as the page gets it: its markup cleaned (CleanListingHtml), then its
// bidirectional controls closed.
QString ListingFieldHtml(const QString& text, ListingHtml kind);
QString BrToCrLf(const QString& text);

// The features line: each text trimmed; empty ones left out, the first present one without the
// separator only if it is the first text.
QString FormatFeatures(const QString& text1, const QString& text2, const QString& text3, const QString& text4);

enum ContactSource
{
    ContactSample = 0,
    ContactProfile = 1
};
// The agent block. HTML: name (in the highlight colour when ColorRealtorName is set), credentials,
// a spacer, then the company, address, phones, e-mail and web site, each missing item adding an
// empty line above them so the block keeps its height. Plain text (profile only): the same lines
// without padding, for mail. Any other source gives an empty text.
QString FormatContactInfo(int source, bool html, const CAppSettings& settings, const QString& highlightHex);

// Once the agent has given a name, the preview flyer and the covers made from then on carry the agent's
// own contact block, picture, logo and disclaimer instead of the sample agent's; the listing stays the
// sample one.
bool ProfileHasName(const CAppSettings& settings);

// The look chosen in the main window.
struct CMergeLook
{
    QString font;              // the flyer font family
    quint32 color = 0;         // highlight colour, 0x00BBGGRR
    QString sidebarImage;      // the sidebar caption picture of this render, or empty
    QString captionTopPadding; // GetCaptionTopPadding of the font, e.g. "12px"
    // URLs that the photo tokens name instead of the flyer's own photos where not empty (the
    // print-quality page and its layout).
    std::array<QString, 4> photoUrls;
    // The same for the agent's own picture and logo (only where the page shows the agent's own).
    QString myPictureUrl;
    QString companyLogoUrl;
};

// The "$_pageFont$" value, written inside the template's single quotes: the family the font catalogue
// draws the name with, then the name ("Liberation Sans Narrow', 'Arial Narrow"), so the flyer shows
// the face the font list shows even where the engine knows no alias for the name. Quotes and
// backslashes in a name are escaped.
QString PageFontToken(const QString& font);

// The look of a font and colour, with the caption padding the font needs.
CMergeLook MakeMergeLook(const QString& font, quint32 color, const QString& sidebarImage = QString());

// The flyer of a request: from its listing (project mode) or from the preview data. The QR code
// opens the listing's web address from its extras, else the profile's web site.
QString MergeTemplate(const QString& templateText, const FlyerRequest& request, const CAppSettings& settings,
                      const CMergeLook& look);

// The brokerage, its phone and the licence as a page shows them, empty when the agent is the sample
// one; and the head entry that names them to the advertising-rules measure (empty when there is no
// brokerage to look for).
struct CBrokerageTexts
{
    QString name;
    QString phone;
    QString licence;
};
CBrokerageTexts BrokerageTexts(const CAppSettings& settings, bool ownAgent);
// "$_brokerageBlock$": a span for each of them that is set (classes "brokerage-name", "brokerage-phone",
// "agent-licence"), nothing at all when none is, so that a theme's element for it is :empty.
QString BrokerageBlock(const CBrokerageTexts& texts);

// A theme's cover page: preview data in the theme's own typeface and colour, with the agent's own
// profile once it has a name.
QString MergeCoverTemplate(const QString& templateText, const CXThemeTemplateInfo& theme, const CAppSettings& settings,
                           const QString& sidebarImage);
QString MergeCoverTemplate(const QString& templateText, const QString& typeface, quint32 color,
                           const CAppSettings& settings, const QString& sidebarImage);

// Sidebar themes carry the caption as a picture: plain when the name holds "Sidebar", outlined
// when it also holds "Gradient" (both case-sensitive).
enum class SidebarKind
{
    None,
    Plain,
    Outlined
};
SidebarKind SidebarKindFor(const QString& themeName);

// One pass of the render cycle's merge: the sidebar caption picture when the theme's name calls
// for one (drawn into the temporary folder; the caller removes it when it is no longer shown),
// then the merge of the template.
struct CFlyerPage
{
    QString page;
    QString sidebarImage;
};
CFlyerPage ComposeFlyerPage(const QString& templateText, const FlyerRequest& request, const CAppSettings& settings);
