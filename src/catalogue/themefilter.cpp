#include "catalogue/themefilter.h"

#include "catalogue/themecatalogue.h"
#include "flyer/pagesize.h"

bool ThemePassesFilter(int filterValue, int photos)
{
    return filterValue == 0 || filterValue == photos;
}

bool ThemePassesFormat(int formatValue, QSize page)
{
    switch (PageGroupOf(page)) {
    case PageGroup::Flyers:
        return formatValue == kFormatAll || formatValue == kFormatFlyers;
    case PageGroup::Postcards:
        return formatValue == kFormatAll || formatValue == kFormatPostcards;
    case PageGroup::Social:
        return formatValue == kFormatAll || formatValue == kFormatSocial;
    }
    return false;
}

QList<qsizetype> FilterThemes(const CXThemeCatalogue& catalogue, int filterValue, int formatValue)
{
    QList<qsizetype> indexes;
    for (qsizetype i = 0; i < catalogue.size(); ++i) {
        if (ThemePassesFilter(filterValue, catalogue.at(i).GetPhotos()) &&
            ThemePassesFormat(formatValue, catalogue.at(i).GetPageSize()))
            indexes.append(i);
    }
    return indexes;
}
