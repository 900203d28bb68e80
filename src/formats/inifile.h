#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

// Settings files in the INI dialect that QSettings reads (its native format on Linux), made in
// memory so that the file writer can put them in place whole. QSettings' own writing replaces the
// file even when its last write failed.
//
// Keys are "name" or "group/name"; keys without a group go to [General], in the order given, and
// each group follows in the order of its first key. Values: strings, string lists, numbers, flags
// and byte arrays; a value of any other type is left out.
QByteArray IniFileBytes(const QList<std::pair<QString, QVariant>>& values);
