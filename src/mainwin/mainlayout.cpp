#include "mainwin/mainlayout.h"

namespace {

// Rectangles are handled as left, top, right, bottom with right and bottom outside, as the
// layout's numbers are stated.
QRect FromEdges(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

MainLayout CalcMainLayout(const MainLayoutInput& input)
{
    const int L = 8;
    const int T = 6;
    const int R = input.client.width() - 8;
    const int B = input.client.height() - 6 - 2;
    const int P = L + kMainLeftPaneWidth;

    MainLayout layout;
    layout.tab = QRect(L, T, kMainLeftPaneWidth, B - T);

    // The format filter under the photo filter: side by side, neither had room for its texts.
    layout.themeFilter = QRect(L + 8, 36, P - 9 - (L + 8), input.filterHeight);
    layout.themeFormat = layout.themeFilter.translated(0, input.filterHeight + 4);
    const int y1 = layout.themeFormat.bottom() + 1 + 8;
    layout.themeList = QRect(L, y1, 281, B - 1 - y1);

    layout.colorLabel = QRect(L + 8, 36, 265, input.colorLabelHeight);
    const int y2 = 36 + input.colorLabelHeight + 3;
    layout.colorPalette = QRect(L + 8, y2, 265, 96);
    // Within the label's row, so the palette and the font list keep their places.
    layout.moreColors =
        QRect(L + 8 + 265 - input.moreColorsWidth, 36, input.moreColorsWidth, input.colorLabelHeight + 2);
    const int y3 = y2 + 96 + 8;
    layout.fontLabel = QRect(L + 8, y3 + 2, 265, input.fontLabelHeight);
    const int y4 = y3 + 2 + input.fontLabelHeight + 3;
    layout.fontList = QRect(L, y4, 281, B - 1 - y4);

    int right = R;
    for (size_t i = 0; i < input.buttons.size(); ++i) {
        const QSize size = input.buttons[i];
        layout.buttons[i] = FromEdges(right - size.width(), B - size.height(), right, B);
        right = layout.buttons[i].x() - 4;
    }

    const QRect& newButton = layout.buttons.back();
    layout.canvas = FromEdges(L + 291, T + 4, R, newButton.y() - 8);
    return layout;
}

MainButtonStates CalcMainButtonStates(bool projectOpen, bool projectDirty, bool hasMailClient)
{
    MainButtonStates states;
    states.save = projectOpen && projectDirty;
    states.details = projectOpen;
    states.exportFlyer = projectOpen;
    states.email = projectOpen && hasMailClient;
    return states;
}
