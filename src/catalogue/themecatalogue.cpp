#include "catalogue/themecatalogue.h"

#include "formats/inireader.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

const QString kThemesSection = QStringLiteral("Themes");
const QString kMissing = QStringLiteral("QIM");

char16_t FoldAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// The entry number of a key written as "THEME%02d" (THEME01, THEME10, THEME100), or -1.
qint64 EntryNumber(const QString& key)
{
    const QString folded = key.toCaseFolded();
    if (!folded.startsWith(u"theme"))
        return -1;
    const QStringView digits = QStringView(folded).mid(5);
    if (digits.size() < 2 || digits.size() > 10)
        return -1;
    qint64 number = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return -1;
        number = number * 10 + (c.unicode() - u'0');
    }
    // THEME1 or THEME007 are not what "%02d" makes for any number, so they are never read.
    if (QString::asprintf("%02lld", number) != digits)
        return -1;
    return number;
}

} // namespace

int CompareThemeNames(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = FoldAscii(a.at(i).unicode());
        const char16_t y = FoldAscii(b.at(i).unicode());
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool CXThemeCatalogue::LoadAvailableThemes(const QString& themesFolder)
{
    CXIniFile ini;
    const bool read = ini.Load(ThemeInfo::IniPath(themesFolder));
    LoadAvailableThemes(ini, themesFolder);
    return read;
}

void CXThemeCatalogue::LoadAvailableThemes(const CXIniFile& ini, const QString& themesFolder)
{
    m_themes.clear();
    const qint64 count = ProfileStringToInt64(ini.GetString(kThemesSection, u"Count", kMissing));
    if (count <= 0)
        return;

    // Only THEME01 to THEME<count> are read. Walking the keys that exist, in number order,
    // reads exactly those without asking for each number, so a huge "Count" costs nothing.
    QList<std::pair<qint64, QString>> entries;
    for (const QString& key : ini.Keys(kThemesSection)) {
        const qint64 number = EntryNumber(key);
        if (number >= 1 && number <= count)
            entries.append({number, ini.GetString(kThemesSection, key, kMissing)});
    }
    std::sort(entries.begin(), entries.end(), [](const auto& x, const auto& y) { return x.first < y.first; });

    for (const auto& [number, section] : std::as_const(entries)) {
        if (CompareThemeNames(section, kMissing) == 0)
            continue;
        CXThemeTemplateInfo info(ini, themesFolder, section);
        qsizetype index = 0;
        // The first entry of a name wins.
        if (!Find(info.GetName(), index))
            m_themes.insert(index, std::move(info));
    }
}

bool CXThemeCatalogue::LoadAvailableThemes(const QString& themesFolder, const QString& userThemesFolder)
{
    const bool read = LoadAvailableThemes(themesFolder);
    if (userThemesFolder.isEmpty() || !QFileInfo::exists(ThemeInfo::IniPath(userThemesFolder)))
        return read;
    CXThemeCatalogue own;
    own.LoadAvailableThemes(userThemesFolder);
    for (const CXThemeTemplateInfo& theme : std::as_const(own.m_themes)) {
        qsizetype index = 0;
        if (Find(theme.GetName(), index))
            m_themes[index] = theme;
        else
            m_themes.insert(index, theme);
    }
    return read;
}

QString ThemesFolderOf(const QString& name, const QString& themesFolder, const QString& userThemesFolder)
{
    if (userThemesFolder.isEmpty() || !QFileInfo::exists(ThemeInfo::IniPath(userThemesFolder)))
        return themesFolder;
    CXThemeCatalogue own;
    own.LoadAvailableThemes(userThemesFolder);
    return own.ContainsTheme(name) ? userThemesFolder : themesFolder;
}

bool CXThemeCatalogue::Find(QStringView name, qsizetype& index) const
{
    qsizetype low = 0;
    qsizetype high = m_themes.size();
    while (low < high) {
        const qsizetype mid = low + (high - low) / 2;
        const int order = CompareThemeNames(m_themes.at(mid).GetName(), name);
        if (order == 0) {
            index = mid;
            return true;
        }
        if (order < 0)
            low = mid + 1;
        else
            high = mid;
    }
    index = low;
    return false;
}

bool CXThemeCatalogue::FindTheme(const QString& name, qsizetype& index) const
{
    return Find(name, index);
}

bool CXThemeCatalogue::FindTheme(const char16_t* name, qsizetype& index) const
{
    return Find(name ? QStringView(name) : QStringView(), index);
}

bool CXThemeCatalogue::ContainsTheme(QStringView name) const
{
    qsizetype index = 0;
    return Find(name, index);
}
