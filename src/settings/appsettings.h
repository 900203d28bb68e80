#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

class QIODevice;

// The user's preferences, the agent's profile, the main window's last choices and the working
// folders. Persisted values are public members named after their stored names; a change stays in
// memory until _SaveSettings(). The store is QSettings in native format under "Tarnwick"/"Listora"
// (~/.config/Tarnwick/Listora.conf on Linux). This class is the only place that spells a key.
class CAppSettings
{
public:
    enum class ConfirmKind
    {
        Exit = 0,
        DeleteProject = 1,
        SaveBeforeClosing = 2
    };

    // Fills the defaults; on a first run creates the store and writes every default into it.
    CAppSettings();

    // Sets every member to its default (the folder defaults come from the user's folders).
    void _Init();
    // Reads every stored value: a missing or non-32-bit number keeps its member, a missing string
    // becomes empty. Writes ModulePath afterwards.
    void LoadSettings();
    // Writes _Version and every value in table order. False when the store cannot be written.
    bool _SaveSettings();
    void _UpdateModulePath();

    // Imports the settings file of an older version found at Path2Settings, then moves it aside
    // (".bak", or "<name>.<n>.bak" when that exists) so it is not imported again. A file that ends
    // early or is malformed keeps the values read before the fault and is moved aside as well.
    // Returns whether a file was found and read to its end.
    bool ImportLegacySettings();
    // The values of an older version's settings file, in its order, each into its member as it is
    // read; false at the first that is missing or malformed. ShowAllFonts is not in that file.
    bool ReadLegacySettings(QIODevice& device);

    // The flag that governs a confirmation (1: ask); null for an unknown kind. The question itself
    // is Confirm (controls/confirm.h).
    int* ConfirmFlag(ConfirmKind kind);

    // Every persisted value from ShowTooltips to CampaignFormats in table order (not _Version):
    // flags and integers as int, colours as uint (0x00BBGGRR), strings as QString.
    struct NamedValue
    {
        QString name;
        QVariant value;
    };
    QList<NamedValue> PersistedValues() const;

    // Persisted, in table order. Flags hold 0 or 1; colours are 0x00BBGGRR.
    int ShowTooltips;
    int ConfirmExit;
    int ConfirmDeleteFlyerProject;
    int ConfirmSaveBeforeClosing;
    int ShowQuickStart;
    int LastThemeFilter; // -1 when no filter entry was selected
    QString LastTheme;
    QString LastFont;
    quint32 LastColor;
    int IsZoomed;
    int WindowWidth;
    int WindowHeight;
    int ShowSplashscreen;
    int AlwaysShowFlyerDetails;
    int ShowAllFonts;
    QString PicturesFolder;
    QString FullName;
    QString Credentials;
    QString CompanyName;
    QString Address;
    QString CityStateZipCode;
    int PhoneLabel01;
    QString Phone01;
    int PhoneLabel02;
    QString Phone02;
    QString EmailAddress;
    QString Website;
    QString Disclaimer;
    int ColorRealtorName;
    int ColorListingCaption;
    int ColorMLSNumber;
    int ColorPrice;
    int ColorListingAddress;
    int ColorListingFeatures;
    int IncludeRMLSLogo;
    int IncludeEHOLogo;
    int IncludeMyLogo;
    QString DefaultThemeTemplate;
    QString DefaultThemeFont;
    quint32 DefaultThemeColor;
    QString LastMyLogoPath;
    QString LastMyPicturePath;
    QString LastExportToPath;
    QString LastExportFilter; // the Export dialog's file type last chosen; empty: the first
    // The brokerage the agent works under, and the agent's licence ("DRE #01234567"); free text.
    QString BrokerageName;
    QString BrokeragePhone;
    QString LicenceNumber;
    // "Check the advertising rules": 1 on, 0 off, -1 not chosen yet (on once a brokerage is named).
    int CheckAdRules;

    // Whether the advertising rules are errors (on) or only warnings.
    bool AdRulesOn() const;

    // The colour palettes' "More Colors..." choices, newest first: "#RRGGBB" words separated by
    // spaces (CustomColorsFromText reads them).
    QString CustomColors;
    int ExportCropMarks; // the Export dialog's "Add crop marks" for the press-ready PDF
    int LastThemeFormat; // the theme list's format filter (ThemeFormatEntries), 0: flyers
    // Make Campaign's folder (empty: the export folder) and its ticked formats ("flyer,square").
    QString CampaignFolder;
    QString CampaignFormats;

    // Working folders, set at start-up (WorkingFolders::InitAppSettings) and empty until then.
    // Paths use "/" and carry no trailing separator. Every other part asks here for its folders.
    QString strSavePath;           // documents folder + "My Listora"
    QString strPath2FlyerProjects; // strSavePath + "Projects"
    QString Path2TempFolder;       // strSavePath + "Temp", removed at exit
    QString Path2Themes;           // installed data + "Themes"
    QString Path2ThemeCovers;      // installed data + "Themes/Covers", or a per-user cache
    QString Path2SampleData;       // installed data + "Samples"
    QString Path2Help;             // folder of the help pages
    QString Path2BlankImage;       // "_blank.gif" in the installed data
    QString Path2Settings;         // settings file of an older version, in strSavePath

    // Set when the sample profile is asked for (LISTORA_SAMPLE_PROFILE): the profile then defaults
    // to a complete sample agent.
    bool bIsQim = false;

    static constexpr int kVersion = 2;

    // Why the last save failed ("Disk full while accessing %1."), empty after a good one.
    QString SaveErrorText() const { return m_strSaveError; }

private:
    // Writes the store file with changes over what it holds; the old file stays on failure.
    bool WriteStore(const QList<std::pair<QString, QVariant>>& changes);

    QString m_strSaveError;
};
