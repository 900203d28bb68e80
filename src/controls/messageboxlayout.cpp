#include "controls/messageboxlayout.h"

#include <algorithm>

namespace MsgBox {

namespace {

int MulDiv(int a, int b, int c)
{
    return int((qint64(a) * b + c / 2) / c);
}

// Rectangles here are given by their edges, as the layout rules state them.
QRect Edges(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

int Bottom(const QRect& r)
{
    return r.y() + r.height();
}

int Right(const QRect& r)
{
    return r.x() + r.width();
}

const QString kAbort = QStringLiteral("&Abort");
const QString kCancel = QStringLiteral("Cancel");
const QString kContinue = QStringLiteral("&Continue");
const QString kIgnore = QStringLiteral("&Ignore");
const QString kIgnoreAll = QStringLiteral("I&gnore All");
const QString kNo = QStringLiteral("&No");
const QString kNoToAll = QStringLiteral("N&o to All");
const QString kOK = QStringLiteral("OK");
const QString kRetry = QStringLiteral("&Retry");
const QString kSkip = QStringLiteral("&Skip");
const QString kSkipAll = QStringLiteral("S&kip All");
const QString kTryAgain = QStringLiteral("&Try Again");
const QString kYes = QStringLiteral("&Yes");
const QString kYesToAll = QStringLiteral("Y&es to All");

} // namespace

QList<ButtonDef> Buttons(quint32 type)
{
    const auto yesNo = [type](bool withCancel) {
        QList<ButtonDef> list{{IdYes, kYes}};
        if (type & AddYesToAll)
            list.append({IdYesToAll, kYesToAll});
        list.append({IdNo, kNo});
        if (type & AddNoToAll)
            list.append({IdNoToAll, kNoToAll});
        if (withCancel)
            list.append({IdCancel, kCancel});
        return list;
    };
    switch (type & ButtonSetMask) {
    case OKCancel:
        return {{IdOK, kOK}, {IdCancel, kCancel}};
    case AbortRetryIgnore:
        return {{IdAbort, kAbort}, {IdRetry, kRetry}, {IdIgnore, kIgnore}};
    case YesNoCancel:
        return yesNo(true);
    case YesNo:
        return yesNo(false);
    case RetryCancel:
        return {{IdRetry, kRetry}, {IdCancel, kCancel}};
    case CancelTryContinue:
        return {{IdCancel, kCancel}, {IdTryAgain, kTryAgain}, {IdContinue, kContinue}};
    case ContinueAbort:
        return {{IdContinue, kContinue}, {IdAbort, kAbort}};
    case SkipSkipAllCancel:
        return {{IdSkip, kSkip}, {IdSkipAll, kSkipAll}, {IdCancel, kCancel}};
    case IgnoreIgnoreAllCancel:
        return {{IdIgnore, kIgnore}, {IdIgnoreAll, kIgnoreAll}, {IdCancel, kCancel}};
    default: // OK, and every set without a meaning of its own
        return {{IdOK, kOK}};
    }
}

int DefaultButtonIndex(quint32 type)
{
    const int index = int((type & DefaultButtonMask) >> 8);
    return index < Buttons(type).size() ? index : 0;
}

quint32 CheckBoxBit(quint32 type)
{
    if (type & CheckDontAsk)
        return CheckDontAsk;
    if (type & CheckDontTell)
        return CheckDontTell;
    if (type & CheckDontShow)
        return CheckDontShow;
    return 0;
}

QString CheckBoxText(quint32 bit)
{
    switch (bit) {
    case CheckDontAsk:
        return QStringLiteral("Don't ask me again");
    case CheckDontTell:
        return QStringLiteral("Don't tell me again");
    case CheckDontShow:
        return QStringLiteral("Don't show again");
    default:
        return QString();
    }
}

int CancelResult(quint32 type)
{
    const QList<ButtonDef> buttons = Buttons(type);
    if (std::any_of(buttons.begin(), buttons.end(), [](const ButtonDef& b) { return b.id == IdCancel; }))
        return IdCancel;
    // Only the real "OK" set answers Escape with OK; an unknown set shows OK but ignores Escape.
    return (type & ButtonSetMask) == OK ? IdOK : 0;
}

Icon IconOf(quint32 type)
{
    switch (type & IconMask) {
    case IconNone:
        return IconNone;
    case IconStop:
        return IconStop;
    case IconQuestion:
        return IconQuestion;
    case IconInformation:
        return IconInformation;
    default:
        return IconExclamation;
    }
}

QString ClipboardText(const QString& title, const QString& message, const QStringList& buttonTexts)
{
    const QString rule = QString(27, QLatin1Char('-')) + QStringLiteral("\r\n");
    QString text = rule + title + QStringLiteral("\r\n") + rule + message + QStringLiteral("\r\n") + rule;
    for (QString button : buttonTexts)
        text += button.remove(QLatin1Char('&')) + QStringLiteral("   ");
    text += QStringLiteral("\r\n") + rule;
    return text;
}

QString DisplayText(const QString& message)
{
    QString text = message;
    text.replace(QLatin1String("&&"), QLatin1String("&"));
    return text;
}

int WrapWidth(int screenWidth, int iconWidth)
{
    int u = screenWidth / 2 - 10;
    if (iconWidth > 0)
        u -= iconWidth + 16;
    return u;
}

Layout ComputeLayout(const LayoutInput& in)
{
    const int bx = in.baseUnitX;
    const int by = in.baseUnitY;
    const int minButton = MulDiv(38, bx, 4) + MulDiv(6, bx, 4);
    const int buttonHeight = MulDiv(12, by, 8) + MulDiv(1, by, 8);
    const int checkHeight = MulDiv(10, by, 8);
    const auto textWidth = [minButton](int extent) { return std::max(minButton, extent + 20); };

    const int tw = in.textSize.width();
    const int th = in.textSize.height();
    Layout out;
    out.message = Edges(16, 32, tw + 28, th + 61);
    int width = tw + 44;

    if (!in.iconSize.isEmpty()) {
        const int iw = in.iconSize.width();
        const int ih = in.iconSize.height();
        out.message.translate(24 + iw, 0);
        width = Right(out.message) + 24;
        out.icon = Edges(24, 24, iw + 26, ih + 26);
        if (th > in.lineHeight)
            out.message.moveTop(24);
    }

    int rowWidth = 0;
    QList<int> widths;
    for (int extent : in.buttonTextWidths) {
        widths.append(textWidth(extent));
        rowWidth += widths.last();
    }
    if (!widths.isEmpty())
        rowWidth += 6 * (int(widths.size()) - 1);
    const int y0 = std::max(Bottom(out.message), out.icon.isNull() ? 0 : Bottom(out.icon)) + 14;

    const int checkWidth = in.checkBoxTextWidth >= 0 ? textWidth(in.checkBoxTextWidth) + checkHeight : 0;
    width = std::max(width, rowWidth + 32);
    if (width < checkWidth)
        width = checkWidth + 16;

    int x = width - rowWidth - 16;
    for (int w : widths) {
        out.buttons.append(QRect(x, y0, w, buttonHeight));
        x += w + 6;
    }

    int bottom = y0 + buttonHeight + 12;
    if (in.checkBoxTextWidth >= 0) {
        out.checkBox = QRect(17, y0 + buttonHeight + 12, checkWidth, checkHeight);
        width = std::max(width, 17 + checkWidth);
        bottom = Bottom(out.checkBox) + 8;
    }
    out.client = QSize(width, bottom);
    return out;
}

} // namespace MsgBox
