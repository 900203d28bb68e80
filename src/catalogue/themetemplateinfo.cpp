#include "catalogue/themetemplateinfo.h"

#include "formats/inireader.h"
#include "formats/colorref.h"

#include <QDateTime>
#include <QLocale>

namespace {

const QString kMissing = QStringLiteral("QIM");

// Years 1 to 9999 in seconds since 1970, with a day of margin each way for the time zone.
constexpr qint64 kEarliestCreated = -62135596800LL - 86400;
constexpr qint64 kLatestCreated = 253402300799LL + 86400;

class RgbScanner
{
public:
    explicit RgbScanner(QStringView text) : m_text(text) {}

    bool Literal(QStringView literal)
    {
        if (!m_text.mid(m_pos).startsWith(literal))
            return false;
        m_pos += literal.size();
        return true;
    }
    void SkipSpace()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }
    // A "%d" field: blanks, a sign, at least one digit. Arithmetic wraps like the C runtime's
    // scanner; only the low bits are ever used.
    bool Number(quint32& value)
    {
        SkipSpace();
        bool negative = false;
        if (m_pos < m_text.size() && (m_text.at(m_pos) == u'+' || m_text.at(m_pos) == u'-')) {
            negative = m_text.at(m_pos) == u'-';
            ++m_pos;
        }
        const qsizetype first = m_pos;
        quint32 result = 0;
        while (m_pos < m_text.size() && m_text.at(m_pos) >= u'0' && m_text.at(m_pos) <= u'9')
            result = result * 10u + static_cast<quint32>(m_text.at(m_pos++).unicode() - u'0');
        if (m_pos == first)
            return false;
        value = negative ? 0u - result : result;
        return true;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

namespace ThemeInfo {

bool ParseRgbText(QStringView text, quint32& color)
{
    // The format "RGB(%d, %d, %d)" as a scanf would read it: the commas follow the numbers
    // directly, blanks after them are optional, the closing parenthesis is not checked.
    RgbScanner scan(text);
    quint32 red = 0, green = 0, blue = 0;
    const bool ok = scan.Literal(u"RGB(") && scan.Number(red) && scan.Literal(u",") && (scan.SkipSpace(), true) &&
                    scan.Number(green) && scan.Literal(u",") && (scan.SkipSpace(), true) && scan.Number(blue);
    color = ok ? MakeColorRef(int(red), int(green), int(blue)) : 0u;
    return ok;
}

QString FormatCreated(qint64 secondsSinceEpoch)
{
    if (secondsSinceEpoch < kEarliestCreated || secondsSinceEpoch > kLatestCreated)
        return QString();
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::LocalTime);
    const QDate date = local.date();
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return QString();
    // The catalogue shows English dates on every system.
    return QLocale::c().toString(date, u"MMMM dd, yyyy");
}

QString TemplatePath(const QString& themesFolder, const QString& templateValue)
{
    QString relative = templateValue;
    relative.replace(u'\\', u'/');
    if (themesFolder.endsWith(u'/'))
        return themesFolder + relative;
    return themesFolder + u'/' + relative;
}

QString IniPath(const QString& themesFolder)
{
    return TemplatePath(themesFolder, QStringLiteral("Themes.ini"));
}

QString CoverFileName(const QString& themeId)
{
    QString cover = themeId + QStringLiteral(".png");
    cover.remove(u'{');
    cover.remove(u'}');
    return cover;
}

QString FamilyFromName(const QString& name)
{
    const qsizetype dash = name.indexOf(QStringLiteral(" - "));
    return (dash < 0 ? name : name.left(dash)).trimmed();
}

} // namespace ThemeInfo

CXThemeTemplateInfo::CXThemeTemplateInfo(const QString& themesFolder, QStringView section)
{
    CXIniFile ini;
    ini.Load(ThemeInfo::IniPath(themesFolder));
    *this = CXThemeTemplateInfo(ini, themesFolder, section);
}

CXThemeTemplateInfo::CXThemeTemplateInfo(const CXIniFile& ini, const QString& themesFolder, QStringView section)
{
    m_strName = ini.GetString(section, u"Name", kMissing);
    m_nWidth = ini.GetInt(section, u"Width", 0);
    m_nHeight = ini.GetInt(section, u"Height", 0);
    m_nOrientation = ini.GetInt(section, u"Orientation", 0);
    ThemeInfo::ParseRgbText(ini.GetString(section, u"Color", kMissing), m_crColor);
    m_nPhotos = ini.GetInt(section, u"Photos", 0);
    m_strTypeface = ini.GetString(section, u"Typeface", kMissing);
    m_strThemeId = ini.GetString(section, u"Id", kMissing);
    m_strVersion = ini.GetString(section, u"Version", kMissing);
    m_strCreated = ThemeInfo::FormatCreated(ProfileStringToInt64(ini.GetString(section, u"Created", kMissing)));
    m_strTemplate = ThemeInfo::TemplatePath(themesFolder, ini.GetString(section, u"Template", kMissing));
    m_strCover = ThemeInfo::CoverFileName(m_strThemeId);
    m_strFamily = ini.GetString(section, u"Family", QString()).trimmed();
    if (m_strFamily.isEmpty())
        m_strFamily = ThemeInfo::FamilyFromName(m_strName);
    const QString back = ini.GetString(section, u"Back", QString()).trimmed();
    if (!back.isEmpty())
        m_strBack = ThemeInfo::TemplatePath(themesFolder, back);
}

CXThemeTemplateInfo::CXThemeTemplateInfo(const QString& name, const QString& templatePath, const QString& cover,
                                         const QString& typeface, quint32 color, int photos, int width, int height,
                                         const QString& themeId, const QString& version, const QString& created,
                                         int orientation)
    : m_strName(name), m_strTemplate(templatePath), m_strCover(cover), m_strTypeface(typeface), m_crColor(color),
      m_nPhotos(photos), m_nWidth(width), m_nHeight(height), m_strThemeId(themeId), m_strVersion(version),
      m_strCreated(created), m_nOrientation(orientation), m_strFamily(ThemeInfo::FamilyFromName(name))
{
}

QString CXThemeTemplateInfo::GetColorHex() const
{
    return ColorRefToHex(m_crColor);
}
