#pragma once

#include <QList>
#include <QRect>
#include <QRgb>
#include <QString>
#include <QStringList>

#include <functional>

class QPainter;

// The look shared by the owner-drawn catalogue lists (themes and fonts).
constexpr QRgb kListBackground = 0xFFEBEBEB;    // RGB(235, 235, 235)
constexpr QRgb kSelectionBarColor = 0xFF3399FF; // RGB(51, 153, 255)
constexpr int kListMargin = 4;

// The item background, one colour per pixel row: the top 20 percent white, the bottom 60 percent of the
// rest the list's grey, and between them 64 steps from grey at the bottom to white at the top.
QList<QRgb> ItemGradientRows(int height);
// Paints those rows into rect.
void FillItemGradient(QPainter& painter, const QRect& rect);

// The bar that marks the selected item: at its left edge, the margin wide, the item high.
QRect SelectionBarRect(const QRect& item);

// Cuts a text that is wider than the width after its last whole word that fits, followed by an ellipsis;
// a first word that does not fit alone is cut after its last fitting character.
QString ElideAtWord(const QString& text, int width, const std::function<int(const QString&)>& measure);

// Word-wraps a text (lines split at "\n") into lines no wider than the width, at most maxLines of them.
// When text is left over, the last line ends in an ellipsis; a word wider than a line is cut with one.
QStringList WrapTextIntoLines(const QString& text, int width, int maxLines,
                              const std::function<int(const QString&)>& measure);
