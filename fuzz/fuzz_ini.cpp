#include "formats/inireader.h"
#include "catalogue/themecatalogue.h"
#include "catalogue/themetemplateinfo.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any bytes as "Themes.ini": the reader and the catalogue built on it must neither crash nor
// hang, and the catalogue must come out sorted without equal names.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CXIniFile ini;
    ini.LoadFromData(bytes);
    // The catalogue's own section and the one a THEME01 key names.
    const QString named = ini.GetString(u"Themes", u"THEME01", QStringLiteral("QIM"));
    for (const QString& section : {QStringLiteral("Themes"), named}) {
        for (const QString& key : ini.Keys(section)) {
            const QString value = ini.GetString(section, key, QStringLiteral("QIM"));
            if (value.size() > CXIniFile::MaxValueLength)
                std::abort();
            ini.GetInt(section, key, 0);
            quint32 color = 0;
            ThemeInfo::ParseRgbText(value, color);
            ThemeInfo::FormatCreated(ProfileStringToInt64(value));
        }
    }
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(ini, QStringLiteral("/themes"));
    for (qsizetype i = 1; i < catalogue.size(); ++i) {
        if (CompareThemeNames(catalogue.at(i - 1).GetName(), catalogue.at(i).GetName()) >= 0)
            std::abort();
    }
    for (qsizetype i = 0; i < catalogue.size(); ++i) {
        qsizetype index = -1;
        if (!catalogue.FindTheme(catalogue.at(i).GetName(), index) || index != i)
            std::abort();
    }
    return 0;
}
