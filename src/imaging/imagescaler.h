#pragma once

#include <QImage>
#include <QSize>

// Bicubic resampling (Keys, a = -0.5) whose kernel widens with the reduction factor, so a large
// reduction averages every source pixel instead of skipping most of them as plain bicubic
// interpolation does. Works on opaque (RGB32) or premultiplied pictures; other formats are
// converted first. Returns a picture of exactly the requested size, or a null picture when the size
// is empty or the source null.
QImage ScaleBicubic(const QImage& source, const QSize& size);
