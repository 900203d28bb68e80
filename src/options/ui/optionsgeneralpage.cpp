#include "options/ui/optionsgeneralpage.h"

#include "catalogue/fontcatalogue.h"
#include "catalogue/themecatalogue.h"
#include "catalogue/ui/colorpalette.h"
#include "options/optionsrules.h"
#include "controls/ui/dialogunits.h"
#include "settings/appsettings.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

namespace {

constexpr int kPreviewWidth = 53;

// Shows a member in a drop-down list the way the page always has: the first entry that begins with the
// text, or the selection it had when none does.
void SelectPrefix(QComboBox* combo, const QString& text)
{
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries.append(combo->itemText(i));
    const int index = FindPrefixEntry(entries, text);
    if (index >= 0)
        combo->setCurrentIndex(index);
}

QStringList Entries(const QComboBox* combo)
{
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries.append(combo->itemText(i));
    return entries;
}

} // namespace

CPPDLGOptionsGeneral::CPPDLGOptionsGeneral(CAppSettings& settings, const CXThemeCatalogue& themes,
                                           const CXFontCatalogue& fonts, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_themes(themes), m_fonts(fonts)
{
    setObjectName(QStringLiteral("CPPDLGOptionsGeneral"));
    setWindowTitle(QStringLiteral("General Options"));
    BuildControls();
    OnInitDialog();
}

CPPDLGOptionsGeneral::~CPPDLGOptionsGeneral() = default;

void CPPDLGOptionsGeneral::BuildControls()
{
    const DialogUnits du(font());
    setFixedSize(du.Size(373, 276));

    const auto makeGroup = [this, &du](const char* title, int x, int y, int w, int h) {
        auto* group = new QGroupBox(QString::fromUtf8(title), this);
        group->setGeometry(du.Rect(x, y, w, h));
        return group;
    };
    using Id = OptionsGeneralId;
    const auto makeCheck = [this, &du](Id id, const char* text, int* member, int x, int y, int w) {
        auto* box = new QCheckBox(QString::fromUtf8(text), this);
        box->setObjectName(QStringLiteral("id%1").arg(int(id)));
        box->setGeometry(du.Rect(x, y, w, 10));
        m_flagBoxes.append({box, member});
        return box;
    };

    // Group boxes first, so the controls they frame are drawn over them.
    makeGroup("Program", 7, 4, 359, 66);
    makeGroup("Additional theme elements to highlight with selected color", 7, 74, 359, 40);
    makeGroup("Logos to include on flyers", 7, 118, 359, 28);
    makeGroup("New Flyer default settings", 7, 150, 359, 120);

    // Program: the confirmations in the left column, the longer start-up and font switches in the right.
    makeCheck(Id::ShowTooltips, "Show Tooltip Hints", &m_bShowTooltips, 14, 16, 150);
    makeCheck(Id::ShowSplashscreen, "Show Splashscreen on Startup", &m_bShowSplashscreen, 14, 28, 150);
    makeCheck(Id::ConfirmExit, "Confirm before exiting Listora", &m_bConfirmExit, 14, 40, 150);
    makeCheck(Id::ConfirmDelete, "Confirm before deleting Flyer projects", &m_bConfirmDelete, 14, 52, 150);
    makeCheck(Id::ConfirmSave, "Confirm Save Changes before Closing Flyer project", &m_bConfirmSave, 168, 16, 194);
    makeCheck(Id::ShowQuickStart, "Show QuickStart on Startup", &m_bShowQuickStart, 168, 28, 194);
    m_pShowAllFonts =
        makeCheck(Id::ShowAllFonts, "Show All available TrueType && OpenType Fonts", &m_bShowAllFonts, 168, 40, 194);
    connect(m_pShowAllFonts, &QCheckBox::clicked, this, &CPPDLGOptionsGeneral::OnBnClickedShowAllFonts);

    const int columns[3] = {14, 130, 258};
    makeCheck(Id::ColorRealtorName, "Realtor® Name", &m_bColorRealtorName, columns[0], 86, 110);
    makeCheck(Id::ColorListingCaption, "Listing Caption", &m_bColorListingCaption, columns[1], 86, 120);
    makeCheck(Id::ColorListingAddress, "Listing Address", &m_bColorListingAddress, columns[2], 86, 100);
    makeCheck(Id::ColorMLSNumber, "MLS Number", &m_bColorMLSNumber, columns[0], 98, 110);
    makeCheck(Id::ColorPrice, "Listing Price", &m_bColorPrice, columns[1], 98, 120);
    makeCheck(Id::ColorListingFeatures, "Listing Features", &m_bColorListingFeatures, columns[2], 98, 100);

    makeCheck(Id::IncludeRMLSLogo, "Realtor® - MLS Logo", &m_bIncludeRMLSLogo, columns[0], 131, 110);
    makeCheck(Id::IncludeEHOLogo, "Equal House Opportunity Logo", &m_bIncludeEHOLogo, columns[1], 131, 124);
    makeCheck(Id::IncludeMyLogo, "Business Logo", &m_bIncludeMyLogo, columns[2], 131, 100);

    const auto makeLabel = [this, &du](const char* text, int x, int y, int w, QWidget* buddy) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setGeometry(du.Rect(x, y, w, 9));
        label->setBuddy(buddy);
    };
    m_pThemes = new QComboBox(this);
    m_pThemes->setObjectName(QStringLiteral("id%1").arg(int(Id::DefaultTheme)));
    m_pThemes->setGeometry(du.Rect(14, 173, 150, 14));
    makeLabel("Default Theme Template:", 14, 163, 150, m_pThemes);

    m_pFonts = new QComboBox(this);
    m_pFonts->setObjectName(QStringLiteral("id%1").arg(int(Id::DefaultFont)));
    m_pFonts->setGeometry(du.Rect(14, 203, 150, 14));
    makeLabel("Default Theme Font:", 14, 193, 150, m_pFonts);

    m_pPalette = new CXColorPalette(this);
    m_pPalette->setObjectName(QStringLiteral("id%1").arg(int(Id::DefaultColor)));
    m_pPalette->setGeometry(du.Rect(172, 173, 187, 90));
    makeLabel("Default Theme Color:", 172, 163, 187, m_pPalette);
    // At the right of the label's row, above the palette.
    m_pMoreColors = m_pPalette->MakeMoreColorsButton(this);
    const QRect label = du.Rect(172, 163, 187, 9);
    const int width = m_pMoreColors->sizeHint().width();
    m_pMoreColors->setGeometry(m_pPalette->geometry().right() + 1 - width, label.y() - 1, width, label.height() + 2);
}

void CPPDLGOptionsGeneral::OnInitDialog()
{
    m_bShowTooltips = m_settings.ShowTooltips;
    m_bShowSplashscreen = m_settings.ShowSplashscreen;
    m_bConfirmExit = m_settings.ConfirmExit;
    m_bConfirmDelete = m_settings.ConfirmDeleteFlyerProject;
    m_bConfirmSave = m_settings.ConfirmSaveBeforeClosing;
    m_bShowQuickStart = m_settings.ShowQuickStart;
    m_bShowAllFonts = m_settings.ShowAllFonts;
    m_bColorRealtorName = m_settings.ColorRealtorName;
    m_bColorListingCaption = m_settings.ColorListingCaption;
    m_bColorListingAddress = m_settings.ColorListingAddress;
    m_bColorMLSNumber = m_settings.ColorMLSNumber;
    m_bColorPrice = m_settings.ColorPrice;
    m_bColorListingFeatures = m_settings.ColorListingFeatures;
    m_bIncludeRMLSLogo = m_settings.IncludeRMLSLogo;
    m_bIncludeEHOLogo = m_settings.IncludeEHOLogo;
    m_bIncludeMyLogo = m_settings.IncludeMyLogo;
    m_crDefaultColor = m_settings.DefaultThemeColor;
    m_strCustomColors = m_settings.CustomColors;

    m_pThemes->addItems(ThemeComboEntries(m_themes));
    // The list's fallback only decides the selection when the stored font is not listed.
    FillFontCombo();
    m_strDefaultTheme = m_settings.DefaultThemeTemplate;
    m_strDefaultFont = m_settings.DefaultThemeFont;

    UpdateData(false);
    if (FindExactEntry(Entries(m_pThemes), m_strDefaultTheme) < 0 && m_pThemes->count() > 0)
        m_pThemes->setCurrentIndex(0);

    m_pPalette->SetupStandardPalette(m_crDefaultColor, kPreviewWidth);
    m_pPalette->SetCustomColors(CustomColorsFromText(m_strCustomColors));
}

void CPPDLGOptionsGeneral::FillFontCombo()
{
    m_pFonts->clear();
    const QStringList entries = m_fonts.ListFonts(m_bShowAllFonts != 0);
    m_pFonts->addItems(entries);
    m_strDefaultFont = ChooseDefaultFont(entries, m_strDefaultFont);
    m_pFonts->setCurrentIndex(FindExactEntry(entries, m_strDefaultFont));
}

void CPPDLGOptionsGeneral::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        for (const FlagBox& flag : std::as_const(m_flagBoxes))
            *flag.member = flag.box->isChecked() ? 1 : 0;
        m_strDefaultTheme = m_pThemes->currentIndex() >= 0 ? m_pThemes->currentText() : QString();
        m_strDefaultFont = m_pFonts->currentIndex() >= 0 ? m_pFonts->currentText() : QString();
        return;
    }
    for (const FlagBox& flag : std::as_const(m_flagBoxes))
        flag.box->setChecked(*flag.member != 0);
    SelectPrefix(m_pThemes, m_strDefaultTheme);
    SelectPrefix(m_pFonts, m_strDefaultFont);
}

void CPPDLGOptionsGeneral::OnBnClickedShowAllFonts()
{
    UpdateData(true);
    FillFontCombo();
    UpdateData(false);
}

void CPPDLGOptionsGeneral::OnOK()
{
    UpdateData(true);
    m_crDefaultColor = m_pPalette->GetSelectedColor();
    m_strCustomColors = CustomColorsToText(m_pPalette->CustomColors());
}

void CPPDLGOptionsGeneral::SaveTo(CAppSettings& settings) const
{
    settings.ShowTooltips = m_bShowTooltips;
    settings.ShowSplashscreen = m_bShowSplashscreen;
    settings.ConfirmExit = m_bConfirmExit;
    settings.ConfirmDeleteFlyerProject = m_bConfirmDelete;
    settings.ConfirmSaveBeforeClosing = m_bConfirmSave;
    settings.ShowQuickStart = m_bShowQuickStart;
    settings.ShowAllFonts = m_bShowAllFonts;
    settings.ColorRealtorName = m_bColorRealtorName;
    settings.ColorListingCaption = m_bColorListingCaption;
    settings.ColorListingAddress = m_bColorListingAddress;
    settings.ColorMLSNumber = m_bColorMLSNumber;
    settings.ColorPrice = m_bColorPrice;
    settings.ColorListingFeatures = m_bColorListingFeatures;
    settings.IncludeRMLSLogo = m_bIncludeRMLSLogo;
    settings.IncludeEHOLogo = m_bIncludeEHOLogo;
    settings.IncludeMyLogo = m_bIncludeMyLogo;
    settings.DefaultThemeTemplate = m_strDefaultTheme;
    settings.DefaultThemeFont = m_strDefaultFont;
    settings.DefaultThemeColor = m_crDefaultColor;
    settings.CustomColors = m_strCustomColors;
}

QStringList CPPDLGOptionsGeneral::FontEntries() const
{
    return Entries(m_pFonts);
}

QStringList CPPDLGOptionsGeneral::ThemeEntries() const
{
    return Entries(m_pThemes);
}
