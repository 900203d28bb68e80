#include "controls/colormatrix.h"

#include <algorithm>
#include <cmath>

CXColorMatrix CXColorMatrix::Identity()
{
    CXColorMatrix matrix;
    for (int i = 0; i < 5; ++i)
        matrix.m[i][i] = 1.0f;
    return matrix;
}

CXColorMatrix CXColorMatrix::Brighten()
{
    CXColorMatrix matrix = Identity();
    for (int i = 0; i < 3; ++i) {
        matrix.m[i][i] = 1.05f;
        matrix.m[4][i] = 0.05f;
    }
    return matrix;
}

CXColorMatrix CXColorMatrix::Greyscale()
{
    CXColorMatrix matrix = Identity();
    const float weights[3] = {0.30f, 0.59f, 0.11f};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            matrix.m[row][column] = weights[row];
    return matrix;
}

QRgb CXColorMatrix::Apply(QRgb pixel) const
{
    const float in[5] = {qRed(pixel) / 255.0f, qGreen(pixel) / 255.0f, qBlue(pixel) / 255.0f, qAlpha(pixel) / 255.0f,
                         1.0f};
    int out[4];
    for (int column = 0; column < 4; ++column) {
        float value = 0.0f;
        for (int row = 0; row < 5; ++row)
            value += in[row] * m[row][column];
        out[column] = int(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
    }
    return qRgba(out[0], out[1], out[2], out[3]);
}

QImage ApplyColorMatrix(const QImage& picture, const CXColorMatrix& matrix)
{
    if (picture.isNull())
        return {};
    QImage result = picture.convertToFormat(QImage::Format_ARGB32);
    if (result.isNull())
        return {};
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            line[x] = matrix.Apply(line[x]);
    }
    return result;
}
