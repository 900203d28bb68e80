#pragma once

#include <QSettings>

namespace TestSupport {

// The program's settings as it stores them for the test's (isolated) user.
inline QSettings Store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tarnwick"),
                     QStringLiteral("Listora"));
}

} // namespace TestSupport
