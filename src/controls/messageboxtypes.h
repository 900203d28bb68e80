#pragma once

#include <QString>

#include <functional>

// The type word of a message box. Its low bits match the classic message-box constants, so type
// words read the same here as in the rest of the program (0x21000024 = question, Yes/No, "Don't ask").
namespace MsgBox {

inline constexpr quint32 ButtonSetMask = 0x0000000F;
inline constexpr quint32 IconMask = 0x000000F0;
inline constexpr quint32 DefaultButtonMask = 0x00000F00;
inline constexpr quint32 SystemModal = 0x00001000;
inline constexpr quint32 CheckDontAsk = 0x01000000;
inline constexpr quint32 CheckDontTell = 0x02000000;
inline constexpr quint32 CheckDontShow = 0x04000000;
inline constexpr quint32 CheckBoxMask = CheckDontAsk | CheckDontTell | CheckDontShow;
inline constexpr quint32 AddYesToAll = 0x08000000;
inline constexpr quint32 AddNoToAll = 0x10000000;
inline constexpr quint32 BuiltInTexts = 0x20000000;

inline constexpr quint32 OK = 0;
inline constexpr quint32 OKCancel = 1;
inline constexpr quint32 AbortRetryIgnore = 2;
inline constexpr quint32 YesNoCancel = 3;
inline constexpr quint32 YesNo = 4;
inline constexpr quint32 RetryCancel = 5;
inline constexpr quint32 CancelTryContinue = 6;
inline constexpr quint32 ContinueAbort = 7;
inline constexpr quint32 SkipSkipAllCancel = 8;
inline constexpr quint32 IgnoreIgnoreAllCancel = 9;

enum Icon : quint32
{
    IconNone = 0x00,
    IconStop = 0x10,
    IconQuestion = 0x20,
    IconExclamation = 0x30, // any value other than the three named ones
    IconInformation = 0x40,
};

inline constexpr quint32 DefButton1 = 0x000;
inline constexpr quint32 DefButton2 = 0x100;
inline constexpr quint32 DefButton3 = 0x200;
inline constexpr quint32 DefButton4 = 0x300;
inline constexpr quint32 DefButton5 = 0x400;
inline constexpr quint32 DefButton6 = 0x500;

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
