#pragma once

#include <QImage>
#include <QString>

#include <functional>

namespace TestSupport {

// Peak signal-to-noise ratio of two pictures over R, G and B, in dB: 99 when they are equal, 0 when
// their sizes differ.
double Psnr(const QImage& a, const QImage& b);

// How many of every step-th pixel, in both directions, pass the test.
int CountPixels(const QImage& image, int step, const std::function<bool(QRgb)>& test);

// Sum of squared neighbour differences of the grey values: sharp edges score high.
double GradientEnergy(const QImage& image);

// A photo whose left half is yellow and right half blue: a crop to the right half must show no yellow.
QImage YellowBlueHalves(QSize size);
// Whether a page shows plenty of the blue half and next to none of the yellow one; the counts in why.
bool ShowsOnlyBlueHalf(const QImage& page, QString* why);

} // namespace TestSupport
