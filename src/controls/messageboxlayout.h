#pragma once

#include "controls/messageboxtypes.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

// What a message box shows and where, worked out from its type word and the measured texts.
// Kept free of widgets so the rules can be checked without a window.
namespace MsgBox {

struct ButtonDef
{
    int id;
    QString text; // with its "&" mnemonic
};

// The buttons of the type word's set, left to right, with the optional "to All" buttons.
QList<ButtonDef> Buttons(quint32 type);
// Index into Buttons() of the default button; a number past the last button means the first.
int DefaultButtonIndex(quint32 type);
// The check-box bit the box carries (one of CheckBoxMask), or 0.
quint32 CheckBoxBit(quint32 type);
QString CheckBoxText(quint32 bit);
// What Escape, the Close entry and the "Cancel" button return: 2 with a "Cancel" button, 1 for the
// plain "OK" set, 0 when the box ignores them (the Close entry is then greyed).
int CancelResult(quint32 type);
// IconNone, IconStop, IconQuestion, IconInformation or IconExclamation.
Icon IconOf(quint32 type);

// The text Ctrl+C copies: title, message and the button-class controls' texts between hyphen lines.
QString ClipboardText(const QString& title, const QString& message, const QStringList& buttonTexts);

// The message as the box shows it: "&&", the way the program's texts write an ampersand, is one
// "&"; a lone "&" (in a street name, say) stays as it is.
QString DisplayText(const QString& message);

// Measured input of the layout, in pixels.
struct LayoutInput
{
    int baseUnitX = 8;  // horizontal dialog base unit of the message font
    int baseUnitY = 16; // vertical dialog base unit
    int screenWidth = 1024;
    QSize iconSize;              // empty when the box shows no icon
    QSize textSize;              // the message word-wrapped within WrapWidth()
    int lineHeight = 0;          // height of one line of text ("My")
    QList<int> buttonTextWidths; // text extents, in the order of Buttons()
    int checkBoxTextWidth = -1;  // text extent, or -1 without a check box
};

struct Layout
{
    QRect message;
    QRect icon; // null without an icon
    QList<QRect> buttons;
    QRect checkBox; // null without a check box
    QSize client;
};

// Width within which the message is wrapped.
int WrapWidth(int screenWidth, int iconWidth);
Layout ComputeLayout(const LayoutInput& in);

} // namespace MsgBox
