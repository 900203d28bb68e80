#pragma once

#include <QString>

// Type-aware ordering of two list cells, as the sortable list shows them: numbers such as "1,200",
// sizes such as "900 MB", date-times such as "05-14-2024  01:05:00 PM", otherwise text without
// regard to case. The first cell decides which kind both are compared as. Returns <0, 0 or >0.
int CompareListCells(const QString& first, const QString& second);

// The cell with an archive extension (".zip", ".rar") taken off, so "Photos.zip" sorts as "Photos".
QString StripListedExtension(const QString& text);
