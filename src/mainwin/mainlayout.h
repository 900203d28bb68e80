#pragma once

#include <QRect>
#include <QSize>

#include <array>

// Where the main window's controls go for a given client size. Controls of their own height (the
// filter, the two labels) and the buttons (their own sizes) pass those in.
struct MainLayoutInput
{
    QSize client;
    int filterHeight = 0;
    int colorLabelHeight = 0;
    int fontLabelHeight = 0;
    std::array<QSize, 12> buttons; // in the order of kMainButtonsRightToLeft
};

struct MainLayout
{
    QRect tab;
    QRect themeFilter;
    QRect themeList;
    QRect colorLabel;
    QRect colorPalette;
    QRect fontLabel;
    QRect fontList;
    std::array<QRect, 12> buttons; // in the order of kMainButtonsRightToLeft
    QRect canvas;
};

// The left pane is 283 pixels wide whatever the size; the canvas takes the rest, above the buttons,
// which sit on the bottom edge from the right, 4 pixels apart.
MainLayout CalcMainLayout(const MainLayoutInput& input);

inline constexpr int kMainLeftPaneWidth = 283;
inline constexpr QSize kMainMinimumSize(925, 580);
