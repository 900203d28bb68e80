#pragma once

#include <QList>

class CXThemeCatalogue;

// The theme list's photo filter: 0 shows every theme, any other value only the themes with
// exactly that many photo slots (so -1, the value of "nothing selected", shows nothing real).
bool ThemePassesFilter(int filterValue, int photos);

// Catalogue indexes of the themes the list shows under the filter value, in catalogue order.
QList<qsizetype> FilterThemes(const CXThemeCatalogue& catalogue, int filterValue);
