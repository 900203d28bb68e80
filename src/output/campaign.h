#pragma once

#include "catalogue/themetemplateinfo.h"
#include "compose/campaignpage.h"
#include "flyer/flyerrequest.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class CAppSettings;
class CXThemeCatalogue;
class QTemporaryDir;

// A listing's campaign: the flyer, its press copy, the two postcards and the three social pictures,
// all in one theme family, made in one go. Each file comes from the theme of its format in the
// family, through the same steps as Export; a file that cannot be made is named with its reason
// and the others are still made.

enum class CampaignFormat
{
    Flyer,       // the print-quality PDF of the family's Letter theme
    Press,       // the same page on its bleed sheet
    Postcard6x4, // press PDFs of the postcards, front and back
    Postcard9x6,
    Square, // social pictures, JPEG at the theme's own pixels
    Story,
    Link
};

// Every format, in the order the files are made and listed.
const QList<CampaignFormat>& AllCampaignFormats();
// "flyer", "press", "postcard-6x4", "postcard-9x6", "square", "story", "link".
QString CampaignFormatKey(CampaignFormat format);
// What the file name says after the base: "Flyer", "Flyer (press)", "Postcard 6x4", "Square" ...
QString CampaignFormatTitle(CampaignFormat format);
// The theme list's format (PageFormatName) a format's theme has.
QString CampaignPageFormat(CampaignFormat format);
// ".pdf" or ".jpg".
QString CampaignFileExtension(CampaignFormat format);
bool IsCampaignPicture(CampaignFormat format);
bool IsCampaignPress(CampaignFormat format);

// A comma-separated list of keys ("flyer,square"), blanks and case ignored, each once, in the order
// given. False with a sentence in error for an empty list or an unknown key.
bool ParseCampaignFormats(const QString& text, QList<CampaignFormat>& formats, QString* error = nullptr);
QString CampaignFormatsText(const QList<CampaignFormat>& formats);

// The export dialog's suggested name without its extension, cut so that the longest file name of
// the campaign still fits the file system.
QString CampaignBaseName(const CFlyerData& flyer);
// "<base> - Flyer.pdf" and so on.
QString CampaignFileName(const QString& base, CampaignFormat format);

// The families of the catalogue, each once, in the order of their first theme.
QStringList CampaignFamilies(const CXThemeCatalogue& catalogue);
// The family's name as the catalogue spells it (families are matched without regard to case);
// empty when no theme belongs to it.
QString FindCampaignFamily(const CXThemeCatalogue& catalogue, const QString& family);
// The family of a theme of the catalogue, else the family its name suggests ("Gallery - KT401").
QString FamilyOfTheme(const CXThemeCatalogue& catalogue, const QString& themeName);

// One file of a campaign and the theme that makes it.
struct CCampaignItem
{
    CampaignFormat format = CampaignFormat::Flyer;
    QString fileName;                         // inside the campaign's folder
    std::optional<CXThemeTemplateInfo> theme; // none when the family has no theme of the format
    QString problem;                          // why the file cannot be made; empty when it can
};

// The files of formats in family: the flyer and its press copy from the family's Letter theme (the
// preferred theme when it is one of them), every other format from the family's first theme of
// that format.
QList<CCampaignItem> PlanCampaign(const CXThemeCatalogue& catalogue, const QString& family,
                                  const QList<CampaignFormat>& formats, const QString& base,
                                  const QString& preferredTheme = QString());

// The listing as the open project holds it: the same for every file of the campaign.
struct CCampaignListing
{
    CFlyerData record; // saved, with its folder: the photos come from there
    CListingExtras extras;
    QString font;
    quint32 color = 0; // 0x00BBGGRR
};

struct CCampaignResult
{
    CampaignFormat format = CampaignFormat::Flyer;
    QString path; // where the file is (or was to be)
    QString theme;
    bool made = false;
    QString error; // one line; empty when made
};

// Makes one file of a campaign in folder: the page made, written to a scratch file in workFolder
// by the export's own writers, and only then put in place whole.
CCampaignResult MakeCampaignFile(const CCampaignItem& item, const CCampaignListing& listing,
                                 const CAppSettings& settings, const CCampaignEngine& engine, const QString& folder,
                                 const QString& workFolder);

// A whole campaign, one file at a time with the event loop served between them, so a window stays
// usable while it runs.
class CXCampaignRun : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXCampaignRun)

public:
    // The settings are copied: what changes in them meanwhile does not reach this campaign.
    CXCampaignRun(QList<CCampaignItem> plan, CCampaignListing listing, const CAppSettings& settings,
                  CCampaignEngine engine, const QString& folder, QObject* parent = nullptr);
    ~CXCampaignRun() override;

    // Starts the run; Finished follows once every file was tried. False, with the reason in error,
    // when the folder cannot be made or no working folder had.
    bool Start(QString* error = nullptr);
    // The whole run, waiting for it.
    bool RunToEnd(QString* error = nullptr);

    int Total() const { return int(m_plan.size()); }
    const QList<CCampaignResult>& Results() const { return m_results; }
    bool IsRunning() const { return m_bRunning; }
    // Files that could not be made, one line each: the file name and why.
    QStringList FailureLines() const;

Q_SIGNALS:
    void FileStarted(int index, int total, const QString& fileName);
    void FileDone(const CCampaignResult& result, int done, int total);
    void Finished();

private:
    void Step();

    QList<CCampaignItem> m_plan;
    CCampaignListing m_listing;
    std::unique_ptr<CAppSettings> m_pSettings;
    CCampaignEngine m_engine;
    QString m_strFolder;
    std::unique_ptr<QTemporaryDir> m_pWork; // scratch files, gone with the run
    QList<CCampaignResult> m_results;
    bool m_bRunning = false;
};
