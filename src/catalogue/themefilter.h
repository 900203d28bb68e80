#pragma once

#include <QList>
#include <QSize>

class CXThemeCatalogue;

// The theme list's photo filter: 0 shows every theme, any other value only the themes with
// exactly that many photo slots (so -1, the value of "nothing selected", shows nothing real).
bool ThemePassesFilter(int filterValue, int photos);

// The theme list's format filter: flyers (Letter and any size that is no postcard or social
// picture), postcards, social media pictures, or every theme.
enum ThemeFormatValue
{
    kFormatFlyers = 0,
    kFormatPostcards = 1,
    kFormatSocial = 2,
    kFormatAll = 3
};
bool ThemePassesFormat(int formatValue, QSize page);

// Catalogue indexes of the themes the list shows under the filter value and the format, in
// catalogue order.
QList<qsizetype> FilterThemes(const CXThemeCatalogue& catalogue, int filterValue, int formatValue = kFormatAll);
