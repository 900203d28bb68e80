#pragma once

#include "settings/appsettings.h"

#include <QString>

// Asks a Yes/No question with "Don't ask me again", governed by the settings' flag of `kind`. A
// switched-off question counts as Yes; an unknown kind is No. Ticking the check box switches the
// question off and saves the settings at once, whatever the answer. Callers format `message`
// themselves (QString::arg).
bool Confirm(CAppSettings& settings, CAppSettings::ConfirmKind kind, const QString& message);
