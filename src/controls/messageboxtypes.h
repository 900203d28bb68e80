#pragma once

#include <QString>

#include <functional>

// The type word of a message box. Its low bits match the classic message-box constants, so type
// words read the same here as in the rest of the program (0x21000024 = question, Yes/No, "Don't ask").
namespace MsgBox {

enum TypeBits : quint32
{
    ButtonSetMask = 0x0000000F,
    IconMask = 0x000000F0,
    DefaultButtonMask = 0x00000F00,
    SystemModal = 0x00001000,
    CheckDontAsk = 0x01000000,
    CheckDontTell = 0x02000000,
    CheckDontShow = 0x04000000,
    CheckBoxMask = CheckDontAsk | CheckDontTell | CheckDontShow,
    AddYesToAll = 0x08000000,
    AddNoToAll = 0x10000000,
    BuiltInTexts = 0x20000000,
};

enum ButtonSet : quint32
{
    OK = 0,
    OKCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5,
    CancelTryContinue = 6,
    ContinueAbort = 7,
    SkipSkipAllCancel = 8,
    IgnoreIgnoreAllCancel = 9,
};

enum Icon : quint32
{
    IconNone = 0x00,
    IconStop = 0x10,
    IconQuestion = 0x20,
    IconExclamation = 0x30, // any value other than the three named ones
    IconInformation = 0x40,
};

enum DefaultButton : quint32
{
    DefButton1 = 0x000,
    DefButton2 = 0x100,
    DefButton3 = 0x200,
    DefButton4 = 0x300,
    DefButton5 = 0x400,
    DefButton6 = 0x500,
};

// What a box returns: the pressed button's id, plus the check-box bit when the box had one and it was ticked.
enum ButtonId : int
{
    IdOK = 1,
    IdCancel = 2,
    IdAbort = 3,
    IdRetry = 4,
    IdIgnore = 5,
    IdYes = 6,
    IdNo = 7,
    IdTryAgain = 10,
    IdContinue = 11,
    IdSkip = 14,
    IdSkipAll = 15,
    IdIgnoreAll = 16,
    IdYesToAll = 19,
    IdNoToAll = 20,
};

// The id of a result without its check-box bit.
inline int ResultButton(int result)
{
    return result < 0 ? result : int(quint32(result) & ~quint32(CheckBoxMask));
}

// Core code cannot show a window; the widgets tier installs the function that does (the program's
// own message box), and core code such as CAppSettings::Confirm asks through it.
using Presenter = std::function<int(const QString& text, const QString& caption, quint32 type)>;
void SetPresenter(Presenter presenter);
bool HasPresenter();
// Returns -1 without showing anything when no presenter is installed.
int Present(const QString& text, const QString& caption, quint32 type);

} // namespace MsgBox
