#pragma once

#include "flyer/pagesize.h"

#include <QSize>
#include <QString>
#include <QStringView>

class CXIniFile;

// One catalogued theme as "Themes.ini" describes it. A plain value: records are built once
// and never changed.
class CXThemeTemplateInfo
{
public:
    CXThemeTemplateInfo() = default;
    // Reads the section of "Themes.ini" in the themes folder; a missing file or section gives
    // the defaults ("QIM" texts, zero numbers).
    CXThemeTemplateInfo(const QString& themesFolder, QStringView section);
    // The same from a file already read, so the catalogue parses "Themes.ini" only once.
    CXThemeTemplateInfo(const CXIniFile& ini, const QString& themesFolder, QStringView section);
    CXThemeTemplateInfo(const QString& name, const QString& templatePath, const QString& cover, const QString& typeface,
                        quint32 color, int photos, int width, int height, const QString& themeId,
                        const QString& version, const QString& created, int orientation);

    QString GetName() const { return m_strName; }
    QString GetTemplate() const { return m_strTemplate; }
    QString GetCover() const { return m_strCover; }
    QString GetTypeface() const { return m_strTypeface; }
    quint32 GetColor() const { return m_crColor; }
    int GetPhotos() const { return m_nPhotos; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    QString GetThemeId() const { return m_strThemeId; }
    QString GetVersion() const { return m_strVersion; }
    QString GetCreated() const { return m_strCreated; }
    int GetOrientation() const { return m_nOrientation; }
    // The page the theme is drawn on: its declared size, or Letter when it declares none that is usable.
    QSize GetPageSize() const { return FlyerPageSize(m_nWidth, m_nHeight); }
    // The look this theme shares with the themes of other formats: "Family=", else the name
    // before " - ", so that older catalogues group by their theme names.
    QString GetFamily() const { return m_strFamily; }
    // Absolute path of the back page's template of a two-sided theme; empty for one page.
    QString GetBackTemplate() const { return m_strBack; }
    int GetPageCount() const { return m_strBack.isEmpty() ? 1 : 2; }

    // "#RRGGBB" in upper-case hexadecimal.
    QString GetColorHex() const;

    friend bool operator==(const CXThemeTemplateInfo&, const CXThemeTemplateInfo&) = default;

private:
    QString m_strName;
    QString m_strTemplate; // absolute path of the HTML template
    QString m_strCover;    // file name inside the covers folder
    QString m_strTypeface;
    quint32 m_crColor = 0; // 0x00BBGGRR
    int m_nPhotos = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    QString m_strThemeId;
    QString m_strVersion;
    QString m_strCreated;   // already formatted for display, e.g. "October 05, 2016"
    int m_nOrientation = 0; // 0 portrait, anything else landscape
    QString m_strFamily;
    QString m_strBack;
};

// Helpers of the record, public so that other readers of theme data agree with it.
namespace ThemeInfo {

// Colour of a "Color" value "RGB(r, g, b)" as 0x00BBGGRR, each part cut to its low 8 bits;
// false (and black) when the text does not have that form.
bool ParseRgbText(QStringView text, quint32& color);
// "October 05, 2016": seconds since 1970 UTC in local time with English month names whatever
// the user's locale; empty when local time cannot represent the moment as a four-digit year.
QString FormatCreated(qint64 secondsSinceEpoch);
// "Themes.ini" in the themes folder.
QString IniPath(const QString& themesFolder);
// Template path: the themes folder joined with a template value that may use "\" separators.
QString TemplatePath(const QString& themesFolder, const QString& templateValue);
// Cover file: the id and ".png", every brace removed.
QString CoverFileName(const QString& themeId);
// Family of a theme that names none: its name up to " - " ("Gallery - KT401" gives "Gallery").
QString FamilyFromName(const QString& name);

} // namespace ThemeInfo
