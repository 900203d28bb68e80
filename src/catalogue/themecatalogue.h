#pragma once

#include "catalogue/themetemplateinfo.h"

#include <QList>
#include <QString>
#include <QStringView>

class CXIniFile;

// Order of theme names in the catalogue: A-Z folded to a-z, then UTF-16 code-unit order.
// Only ASCII letters fold, so the order does not depend on the user's locale.
int CompareThemeNames(QStringView a, QStringView b);

// The themes that "Themes.ini" lists, sorted by name under CompareThemeNames, no two names
// equal under it. Indexes stay valid until the next LoadAvailableThemes.
// Which of the two folders describes the named theme: the user's when its "Themes.ini" lists a
// theme of that name, else the installed one.
QString ThemesFolderOf(const QString& name, const QString& themesFolder, const QString& userThemesFolder);

class CXThemeCatalogue
{
public:
    // Rebuilds the catalogue from "Themes.ini" in the themes folder. A missing or unreadable
    // file, or one without a usable "Count", leaves the catalogue empty; the result says only
    // whether the file could be read, for callers that report it.
    bool LoadAvailableThemes(const QString& themesFolder);
    // The same from a file already read; template paths are formed with themesFolder.
    void LoadAvailableThemes(const CXIniFile& ini, const QString& themesFolder);
    // The installed themes joined by the user's own (a "Themes.ini" of the same form in
    // userThemesFolder). A user theme with an installed theme's name takes its place. The result
    // says whether the installed file could be read.
    bool LoadAvailableThemes(const QString& themesFolder, const QString& userThemesFolder);

    // Binary search by name. Gives true and the match's index, or false and the index at
    // which the name would be inserted.
    bool FindTheme(const QString& name, qsizetype& index) const;
    bool FindTheme(const char16_t* name, qsizetype& index) const; // null counts as the empty name
    bool ContainsTheme(QStringView name) const;

    const QList<CXThemeTemplateInfo>& Themes() const { return m_themes; }
    const CXThemeTemplateInfo& at(qsizetype index) const { return m_themes.at(index); }
    qsizetype size() const { return m_themes.size(); }
    bool isEmpty() const { return m_themes.isEmpty(); }

private:
    bool Find(QStringView name, qsizetype& index) const;

    QList<CXThemeTemplateInfo> m_themes;
};
