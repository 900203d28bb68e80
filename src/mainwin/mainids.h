#pragma once

// Identifiers of the main window's controls and commands. Each control's objectName is its
// symbolic name ("IDC_BTN_NEW").
enum MainControlId : int
{
    IDC_COMBO_THEMEFILTER = 1003,
    IDC_LIST_THEMES = 1004,
    IDC_LIST_FONTS = 1006,
    IDC_ST_COLORS = 1007,
    IDC_ST_CANVAS = 1009,
    IDC_BTN_EXIT = 1011,
    IDC_BTN_HELP = 1012,
    IDC_BTN_ABOUT = 1013,
    IDC_BTN_OPTIONS = 1014,
    IDC_BTN_REFRESH = 1015,
    IDC_BTN_EXPORT = 1016,
    IDC_BTN_EMAIL = 1017,
    IDC_BTN_PRINT = 1020,
    IDC_BTN_DETAILS = 1021,
    IDC_BTN_SAVE = 1022,
    IDC_BTN_OPEN = 1023,
    IDC_BTN_NEW = 1024,
    IDC_TAB_MAIN = 1301,
    IDC_ST_CHOOSE_COLOR = 1304,
    IDC_ST_CHOOSE_FONT = 1305,
};

// The About button's popup menu.
enum MainMenuId : int
{
    ID_ABOUT_ABOUT = 32784,
    ID_ABOUT_WEBSITE = 32786,
    ID_ABOUT_HELPDESK = 32787,
    ID_ABOUT_CHECKFORUPDATES = 32788,
};

// The bottom row of buttons from the right edge leftwards, as the layout places them.
inline constexpr int kMainButtonsRightToLeft[12] = {IDC_BTN_EXIT,    IDC_BTN_HELP,   IDC_BTN_ABOUT, IDC_BTN_OPTIONS,
                                                    IDC_BTN_REFRESH, IDC_BTN_EXPORT, IDC_BTN_EMAIL, IDC_BTN_PRINT,
                                                    IDC_BTN_DETAILS, IDC_BTN_SAVE,   IDC_BTN_OPEN,  IDC_BTN_NEW};
