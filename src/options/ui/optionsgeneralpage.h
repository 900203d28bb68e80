#pragma once

#include "catalogue/colorpalette.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class CAppSettings;
class CXColorPalette;
class CXFontCatalogue;
class CXThemeCatalogue;
class QAbstractButton;
class QCheckBox;
class QComboBox;

// The page's controls by number; each is named "id" + its number ("id1354").
enum class OptionsGeneralId : int
{
    ShowSplashscreen = 1102,
    ConfirmExit = 1103,
    ConfirmDelete = 1104,
    ShowTooltips = 1105,
    ColorRealtorName = 1106,
    ColorListingCaption = 1107,
    ColorListingAddress = 1108,
    ColorMLSNumber = 1109,
    ColorPrice = 1110,
    IncludeRMLSLogo = 1111,
    IncludeEHOLogo = 1112,
    IncludeMyLogo = 1113,
    DefaultTheme = 1151,
    DefaultFont = 1152,
    DefaultColor = 1153,
    ColorListingFeatures = 1343,
    ConfirmSave = 1347,
    ShowQuickStart = 1351,
    ShowAllFonts = 1354,
};

// The General page of the options: program switches, the flyer elements drawn in the highlight colour,
// the logos on flyers and the defaults of a new flyer. It works on its members; the caller copies them
// into the settings (SaveTo) only after the sheet was confirmed.
class CPPDLGOptionsGeneral : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPPDLGOptionsGeneral)

public:
    // The theme and font lists are filled from the main window's catalogues.
    CPPDLGOptionsGeneral(CAppSettings& settings, const CXThemeCatalogue& themes, const CXFontCatalogue& fonts,
                         QWidget* parent = nullptr);
    ~CPPDLGOptionsGeneral() override;

    // Flags hold 0 or 1.
    int m_bShowTooltips = 0;
    int m_bShowSplashscreen = 0;
    int m_bConfirmExit = 0;
    int m_bConfirmDelete = 0;
    int m_bConfirmSave = 0;
    int m_bShowQuickStart = 0;
    int m_bShowAllFonts = 0;
    int m_bColorRealtorName = 0;
    int m_bColorListingCaption = 0;
    int m_bColorListingAddress = 0;
    int m_bColorMLSNumber = 0;
    int m_bColorPrice = 0;
    int m_bColorListingFeatures = 0;
    int m_bIncludeRMLSLogo = 0;
    int m_bIncludeEHOLogo = 0;
    int m_bIncludeMyLogo = 0;
    QString m_strDefaultTheme;
    QString m_strDefaultFont;
    ColorRef m_crDefaultColor = 0;
    // The palette's "More Colors..." choices, as the settings keep them.
    QString m_strCustomColors;

    // Reads the controls into the members; run by the sheet's Save.
    void OnOK();
    // Copies the members into the settings (the caller saves them).
    void SaveTo(CAppSettings& settings) const;

    // The show-all-fonts check box: refills the font list at once, keeping the chosen font when listed.
    void OnBnClickedShowAllFonts();

    QStringList FontEntries() const;
    // The page has a fixed size; the sheet sizes its tabs from it.
    QSize sizeHint() const override { return minimumSize(); }
    QStringList ThemeEntries() const;

private:
    void BuildControls();
    void OnInitDialog();
    void FillFontCombo();
    // Members to controls (false) or controls to members (true).
    void UpdateData(bool saveAndValidate);

    CAppSettings& m_settings;
    const CXThemeCatalogue& m_themes;
    const CXFontCatalogue& m_fonts;

    struct FlagBox
    {
        QCheckBox* box;
        int* member;
    };
    QList<FlagBox> m_flagBoxes;
    QCheckBox* m_pShowAllFonts = nullptr;
    QComboBox* m_pThemes = nullptr;
    QComboBox* m_pFonts = nullptr;
    CXColorPalette* m_pPalette = nullptr;
    QAbstractButton* m_pMoreColors = nullptr;
};
