#pragma once

#include <QImage>
#include <QRgb>

#include <array>

// A 5 x 5 colour matrix in the row-vector convention: [r g b a 1] x M, components from 0 to 1.
// Results are clamped to 0..1 and rounded to the nearest 8-bit step.
struct CXColorMatrix
{
    std::array<std::array<float, 5>, 5> m{};

    static CXColorMatrix Identity();
    // Red, green and blue times 1.05 plus 0.05; alpha unchanged. The hot look of a picture button.
    static CXColorMatrix Brighten();
    // Red, green and blue all become 0.30 R + 0.59 G + 0.11 B; alpha unchanged. The disabled look.
    static CXColorMatrix Greyscale();

    // One pixel, not premultiplied.
    QRgb Apply(QRgb pixel) const;
};

// A copy of the picture through the matrix, 32-bit with alpha (not premultiplied), same size.
// Null for a null picture.
QImage ApplyColorMatrix(const QImage& picture, const CXColorMatrix& matrix);
