#pragma once

#include <QtGlobal>

// No picture larger than this is decoded: 200 million pixels holds the largest phone sensors
// (16320 x 12240) and keeps one decoded picture under 800 MB.
inline constexpr qint64 kMaxImagePixels = 200'000'000;
