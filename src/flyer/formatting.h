#pragma once

#include <QString>
#include <QtGlobal>

// Numbers as the dialogs show them: comma thousands separators whatever the user's locale.
QString FormatThousands(qint64 number);

// "1 pixel", "0 pixels", "1,024 pixels": the unit word takes "s" unless the count is exactly 1.
QString FormatCount(qint64 number, const QString& unit);

// A project's creation time as the project list shows it, "%m-%d-%Y  %I:%M:%S %p" in local time;
// empty when the stored time cannot be shown as a calendar date.
QString FormatProjectTime(qint64 secondsSinceEpoch);
