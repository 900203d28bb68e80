#pragma once

#include "flyer/flyerdata.h"
#include "flyer/flyerrequest.h"
#include "flyer/listingextras.h"
#include "formats/colorref.h"

#include <QObject>
#include <QString>

#include <functional>

// What the document needs to know of the installed themes, given by its owner.
struct CFlyerThemeAccess
{
    // The template of an installed theme, or empty when no theme has that name.
    std::function<QString(const QString& theme)> templateOf;
    // Reads a template file; false (the text left as it was) when it cannot be read.
    std::function<bool(const QString& path, QString& text)> readTemplate;
};

// The flyer being made: its look (theme, template, font, colour) and the open project's listing,
// whether a project is open and whether it has unsaved changes. It alone holds them; the window's
// lists and palette only show them and pass the user's choices in. It decides what a choice means
// for the project (changed or not) and says whether the flyer must be drawn again; drawing is the
// owner's, when FlyerChanged says so. Every change is announced once, by the signal of what changed.
class CFlyerDocument : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CFlyerDocument)

public:
    explicit CFlyerDocument(CFlyerThemeAccess themes, QObject* parent = nullptr);
    ~CFlyerDocument() override;

    const FlyerLook& Look() const { return m_look; }
    const QString& SelTheme() const { return m_look.themeName; }
    const QString& SelTemplate() const { return m_look.templatePath; }
    const QString& SelFont() const { return m_look.font; }
    ColorRef SelColor() const { return m_look.color; }
    // The text of the template last read.
    const QString& TemplateText() const { return m_strTemplateText; }

    // The open project (a reset record while none is open) and its extras.
    const CFlyerData& FlyerData() const { return m_flyerData; }
    const CListingExtras& Extras() const { return m_extras; }
    // Printing stamps the record it prints.
    CFlyerData& PrintedFlyerData() { return m_flyerData; }
    const bool& IsProjectOpen() const { return m_bProjectOpen; }
    const bool& IsProjectDirty() const { return m_bProjectDirty; }
    void SetProjectDirty(bool dirty);

    // The look remembered from the last run, taken over before anything is drawn: no change of a
    // project's. The template is read when it differs from the one held.
    void SetLook(const FlyerLook& look);

    // The user's choices. Each returns whether the flyer must be drawn again; such a choice marks
    // an open project changed. A theme counts as chosen only when its template could be read.
    bool ChooseTheme(const QString& theme, const QString& templatePath);
    bool ChooseFont(const QString& font);
    // Compared with the colour the document holds, which the flyer shows.
    bool ChooseColor(ColorRef color);
    // Reads the template from disk again, so an edited template shows; false when it cannot be read.
    bool ReloadTemplate();
    // Reads a template file into the text drawn; false (the text left as it was) when it cannot be
    // read. The look keeps its template path: this is ReloadTemplate's reading, without the redraw.
    bool LoadTemplate(const QString& path);

    // Reads a project into a record of its own: a file that cannot be read leaves the open project
    // as it is. The look becomes the project's (its theme only when installed, else the one on
    // show) and the project opens unchanged. templateLoaded says whether the flyer can be drawn.
    FlyerFileStatus OpenProject(const QString& path, CListingExtras::Status* extrasStatus = nullptr,
                                bool* templateLoaded = nullptr);
    // A project just made (New) becomes the open one, in its own look; one that could not be written
    // stays changed so Save and closing offer to write it. True when the template could be read.
    bool AdoptNewProject(const CFlyerData& record, const CListingExtras& extras, bool saved);
    // The listing fields were edited and saved (Details). The theme, font or colour changed since
    // the last Save are not part of that save: a project with such changes stays changed.
    void ListingSaved(const CFlyerData& record, const CListingExtras& extras, bool saved);
    // The open project is gone (deleted); the preview takes its place.
    void CloseProject();
    // Save: the look goes into the project file with the listing. Nothing to do (true) unless a
    // project is open and changed; false with the reason when the file could not be written.
    bool SaveProject(QString* error = nullptr);
    // The folder Flyer Details starts choosing photos in: the project's, or picturesFolder when that
    // is gone (remembered in the record).
    QString RepairPhotoFolder(const QString& picturesFolder);

    bool NeedsSavePrompt() const { return m_bProjectOpen && m_bProjectDirty; }
    QString SavePromptText() const;

Q_SIGNALS:
    void ThemeChanged(const QString& theme);
    void FontChanged(const QString& font);
    void ColorChanged(ColorRef color);
    // Another project (or none) is open: New, Open or the open one closed.
    void ProjectChanged();
    // The open project's listing was saved from Flyer Details.
    void ListingChanged();
    // Whether a project is open or has unsaved changes changed.
    void StateChanged();
    // The flyer must be drawn again: a choice, a template read again, another project or none.
    void FlyerChanged();

private:
    // The look of the record just opened or made, without marking it changed.
    bool ShowProjectLook();
    // Changes only what differs, each announced once; true when the template path changed.
    bool ApplyLook(FlyerLook look);
    void SetState(bool open, bool dirty);
    // A choice that draws the flyer again changes an open project.
    void MarkChosen();

    CFlyerThemeAccess m_themes;
    FlyerLook m_look;
    QString m_strTemplateText;
    CFlyerData m_flyerData;
    CListingExtras m_extras;
    bool m_bProjectOpen = false;
    bool m_bProjectDirty = false;
};
