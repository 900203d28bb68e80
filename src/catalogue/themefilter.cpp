#include "catalogue/themefilter.h"

#include "catalogue/themecatalogue.h"

bool ThemePassesFilter(int filterValue, int photos)
{
    return filterValue == 0 || filterValue == photos;
}

QList<qsizetype> FilterThemes(const CXThemeCatalogue& catalogue, int filterValue)
{
    QList<qsizetype> indexes;
    for (qsizetype i = 0; i < catalogue.size(); ++i) {
        if (ThemePassesFilter(filterValue, catalogue.at(i).GetPhotos()))
            indexes.append(i);
    }
    return indexes;
}
