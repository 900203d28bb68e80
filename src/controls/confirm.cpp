#include "controls/confirm.h"

#include "controls/messageboxtypes.h"
#include "settings/appinfo.h"

bool Confirm(CAppSettings& settings, CAppSettings::ConfirmKind kind, const QString& message)
{
    int* flag = settings.ConfirmFlag(kind);
    if (!flag)
        return false;
    if (*flag == 0)
        return true;

    constexpr quint32 kConfirmType = MsgBox::BuiltInTexts | MsgBox::CheckDontAsk | MsgBox::IconQuestion | MsgBox::YesNo;
    const int result = MsgBox::Present(message, AppInfo::DisplayName(), kConfirmType);
    if (result > 0 && (quint32(result) & MsgBox::CheckDontAsk)) {
        *flag = 0;
        settings._SaveSettings();
    }
    return MsgBox::ResultButton(result) == MsgBox::IdYes;
}
