#pragma once

#include <QByteArray>
#include <QString>

// The boxes a print shop reads from a press PDF, and its crop marks. The engine prints the page on a
// sheet larger than the trim by the bleed and sets every box to that sheet; this marks the trim
// (TrimBox, the flyer's own page) and the bleed (BleedBox, the sheet), and with marks draws 0.25 pt
// lines in full black at the four corners, 0.125 in off the trim and outside the bleed, on a larger
// MediaBox. Colours stay as the page has them: sRGB, no conversion.
namespace PressBox {

// The bleed and the marks, in PDF points.
inline constexpr double kBleedPoints = 9.0;      // 0.125 in
inline constexpr double kMarkOffsetPoints = 9.0; // from the trim: the marks begin where the bleed ends
inline constexpr double kMarkLengthPoints = 18.0;
inline constexpr double kMarkMarginPoints = kMarkOffsetPoints + kMarkLengthPoints + 9.0; // trim to MediaBox
inline constexpr double kMarkLineWidthPoints = 0.25;

// Sets TrimBox and BleedBox on every page of the engine's sheet (its MediaBox, the trim plus the bleed)
// and, with marks, the crop marks and the MediaBox that holds them. False, with a sentence in error,
// when sheet is no PDF that can be read.
bool MakePressPdf(const QByteArray& sheet, bool marks, QByteArray& out, QString* error = nullptr);

} // namespace PressBox
