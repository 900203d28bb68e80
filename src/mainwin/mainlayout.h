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
    int moreColorsWidth = 0;
    std::array<QSize, 12> buttons; // in the order of kMainButtonsRightToLeft
};

struct MainLayout
{
    QRect tab;
    QRect themeFilter;
    QRect themeFormat; // under the photo filter, as wide
    QRect themeList;
    QRect colorLabel;
    QRect colorPalette;
    QRect moreColors; // at the right of the colour label's row
    QRect fontLabel;
    QRect fontList;
    std::array<QRect, 12> buttons; // in the order of kMainButtonsRightToLeft
    QRect canvas;
};

// The left pane is 283 pixels wide whatever the size; the canvas takes the rest, above the buttons,
// which sit on the bottom edge from the right, 4 pixels apart.
MainLayout CalcMainLayout(const MainLayoutInput& input);

inline constexpr int kMainLeftPaneWidth = 283;

// Which of the buttons that depend on the project may be used.
struct MainButtonStates
{
    bool save = false;        // a project open with unsaved changes
    bool details = false;     // a project open
    bool exportFlyer = false; // a project open
    bool email = false;       // a project open and a mail program set up
};
MainButtonStates CalcMainButtonStates(bool projectOpen, bool projectDirty, bool hasMailClient);
inline constexpr QSize kMainMinimumSize(925, 580);
