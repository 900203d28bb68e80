#include "flyer/flyerdocument.h"

#include <QFileInfo>

#include <utility>

CFlyerDocument::CFlyerDocument(CFlyerThemeAccess themes, QObject* parent) : QObject(parent), m_themes(std::move(themes))
{
    m_look.font = QStringLiteral("Arial");
}

CFlyerDocument::~CFlyerDocument() = default;

void CFlyerDocument::SetProjectDirty(bool dirty)
{
    SetState(m_bProjectOpen, dirty);
}

void CFlyerDocument::SetState(bool open, bool dirty)
{
    if (open == m_bProjectOpen && dirty == m_bProjectDirty)
        return;
    m_bProjectOpen = open;
    m_bProjectDirty = dirty;
    Q_EMIT StateChanged();
}

void CFlyerDocument::MarkChosen()
{
    if (m_bProjectOpen)
        SetState(true, true);
}

bool CFlyerDocument::ApplyLook(FlyerLook look)
{
    // By value: the look given may be the document's own.
    const FlyerLook before = std::exchange(m_look, look);
    if (look.themeName != before.themeName)
        Q_EMIT ThemeChanged(look.themeName);
    if (look.font != before.font)
        Q_EMIT FontChanged(look.font);
    if (look.color != before.color)
        Q_EMIT ColorChanged(look.color);
    return look.templatePath != before.templatePath;
}

void CFlyerDocument::SetLook(const FlyerLook& look)
{
    if (ApplyLook(look))
        LoadTemplate(m_look.templatePath);
}

bool CFlyerDocument::ChooseTheme(const QString& theme, const QString& templatePath)
{
    FlyerLook look = m_look;
    look.themeName = theme;
    look.templatePath = templatePath;
    // The same template again draws nothing; one that cannot be read leaves the page as it was.
    if (!ApplyLook(look) || !LoadTemplate(templatePath))
        return false;
    MarkChosen();
    Q_EMIT FlyerChanged();
    return true;
}

bool CFlyerDocument::ChooseFont(const QString& font)
{
    if (font == m_look.font)
        return false;
    FlyerLook look = m_look;
    look.font = font;
    ApplyLook(look);
    MarkChosen();
    Q_EMIT FlyerChanged();
    return true;
}

bool CFlyerDocument::ChooseColor(ColorRef color)
{
    if (color == m_look.color)
        return false;
    FlyerLook look = m_look;
    look.color = color;
    ApplyLook(look);
    MarkChosen();
    Q_EMIT FlyerChanged();
    return true;
}

bool CFlyerDocument::LoadTemplate(const QString& path)
{
    return m_themes.readTemplate(path, m_strTemplateText);
}

bool CFlyerDocument::ReloadTemplate()
{
    if (!LoadTemplate(m_look.templatePath))
        return false;
    Q_EMIT FlyerChanged();
    return true;
}

bool CFlyerDocument::ShowProjectLook()
{
    FlyerLook look = m_look;
    // A theme that is no longer installed leaves the one on show.
    const QString templatePath = m_themes.templateOf(m_flyerData.m_strTheme);
    if (!templatePath.isEmpty()) {
        look.themeName = m_flyerData.m_strTheme;
        look.templatePath = templatePath;
    }
    look.font = m_flyerData.m_strFont;
    look.color = m_flyerData.m_crColor;
    ApplyLook(look);
    // The project's own look shown is no change of the user's.
    return ReloadTemplate();
}

FlyerFileStatus CFlyerDocument::OpenProject(const QString& path, CListingExtras::Status* extrasStatus,
                                            bool* templateLoaded)
{
    CFlyerData opened;
    opened.Reset();
    const FlyerFileStatus status = opened.Load(path);
    if (!status.IsOk())
        return status;
    opened.RepairPhotoPaths();
    m_flyerData = opened;
    m_extras = CListingExtras();
    const CListingExtras::Status extras = m_extras.Load(m_flyerData.GetFolder(), m_flyerData.m_strPathName);
    if (extrasStatus)
        *extrasStatus = extras;
    SetState(true, false);
    Q_EMIT ProjectChanged();
    const bool loaded = ShowProjectLook();
    if (templateLoaded)
        *templateLoaded = loaded;
    return status;
}

bool CFlyerDocument::AdoptNewProject(const CFlyerData& record, const CListingExtras& extras, bool saved)
{
    m_flyerData = record;
    m_extras = extras;
    SetState(true, !saved);
    Q_EMIT ProjectChanged();
    return ShowProjectLook();
}

void CFlyerDocument::ListingSaved(const CFlyerData& record, const CListingExtras& extras, bool saved)
{
    m_flyerData = record;
    m_extras = extras;
    SetState(true, m_bProjectDirty || !saved);
    Q_EMIT ListingChanged();
}

void CFlyerDocument::CloseProject()
{
    m_flyerData.Reset();
    m_extras = CListingExtras();
    SetState(false, false);
    Q_EMIT ProjectChanged();
    // The preview takes the closed project's place at once, its sidebar caption too.
    Q_EMIT FlyerChanged();
}

bool CFlyerDocument::SaveProject(QString* error)
{
    if (!m_bProjectOpen || !m_bProjectDirty)
        return true;
    CFlyerData saved = m_flyerData;
    saved.m_strTheme = m_look.themeName;
    saved.m_strFont = m_look.font;
    saved.m_crColor = m_look.color;
    // A damaged extras file stays as it is until the details are saved.
    const FlyerFileStatus status = SaveProjectPair(saved, m_extras.m_bDamaged ? nullptr : &m_extras);
    if (!status.IsOk()) {
        if (error)
            *error = status.SaveFailureText();
        return false;
    }
    m_flyerData = saved;
    SetState(true, false);
    return true;
}

QString CFlyerDocument::RepairPhotoFolder(const QString& picturesFolder)
{
    if (!QFileInfo(m_flyerData.m_strPhotoFolder).isDir())
        m_flyerData.m_strPhotoFolder = picturesFolder;
    return m_flyerData.m_strPhotoFolder;
}

QString CFlyerDocument::SavePromptText() const
{
    return QStringLiteral("Save changes to flyer project:\n\n[%1] %2 - %3\n\nbefore closing?")
        .arg(m_flyerData.m_strMLS, m_flyerData.m_strAddress, m_flyerData.m_strCityStateZip);
}
