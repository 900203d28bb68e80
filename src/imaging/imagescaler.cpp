#include "imaging/imagescaler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kShift = 14; // weights are fixed point with 14 fraction bits
constexpr int kOne = 1 << kShift;
constexpr int kRound = 1 << (kShift - 1);

// Keys' cubic convolution kernel with a = -0.5 (Catmull-Rom).
double Keys(double x)
{
    x = std::abs(x);
    if (x < 1.0)
        return (1.5 * x - 2.5) * x * x + 1.0;
    if (x < 2.0)
        return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    return 0.0;
}

// For each output sample, the source samples it reads and their weights. The tap count is even so
// the SIMD loops can take two taps at a time; padding taps carry weight 0.
struct Contributions
{
    int taps = 0;
    std::vector<int> index;
    std::vector<int16_t> weight;
};

Contributions ComputeContributions(int sourceLength, int targetLength)
{
    const double scale = double(sourceLength) / targetLength;
    const double filterScale = std::max(scale, 1.0);
    const double support = 2.0 * filterScale;

    Contributions c;
    c.taps = 2 * int(std::ceil(support)) + 2;
    c.index.assign(size_t(targetLength) * c.taps, 0);
    c.weight.assign(size_t(targetLength) * c.taps, 0);

    std::vector<double> w(size_t(c.taps));
    for (int i = 0; i < targetLength; ++i) {
        const double center = (i + 0.5) * scale;
        const int lo = std::max(0, int(std::floor(center - support)));
        const int hi = std::min(sourceLength, int(std::ceil(center + support)));
        const int n = std::min(hi - lo, c.taps);
        double sum = 0.0;
        for (int k = 0; k < n; ++k) {
            w[size_t(k)] = Keys((lo + k + 0.5 - center) / filterScale);
            sum += w[size_t(k)];
        }
        int* index = &c.index[size_t(i) * c.taps];
        int16_t* weight = &c.weight[size_t(i) * c.taps];
        // Edge samples lose the taps that fall outside; renormalising keeps flat areas flat there.
        int total = 0;
        int largest = 0;
        for (int k = 0; k < n; ++k) {
            index[k] = lo + k;
            weight[k] = int16_t(std::lround(w[size_t(k)] / sum * kOne));
            total += weight[k];
            if (weight[k] > weight[largest])
                largest = k;
        }
        weight[largest] = int16_t(weight[largest] + (kOne - total));
        for (int k = n; k < c.taps; ++k) {
            index[k] = lo + n - 1;
            weight[k] = 0;
        }
    }
    return c;
}

inline uint8_t ClampToByte(int value)
{
    value = (value + kRound) >> kShift;
    return uint8_t(std::clamp(value, 0, 255));
}

void ScaleRowsVertically(const QImage& source, QImage& target, const Contributions& c)
{
    const int bytes = source.width() * 4;
    std::vector<const uint8_t*> rows(size_t(c.taps));
    for (int y = 0; y < target.height(); ++y) {
        const int* index = &c.index[size_t(y) * c.taps];
        const int16_t* weight = &c.weight[size_t(y) * c.taps];
        for (int k = 0; k < c.taps; ++k)
            rows[size_t(k)] = source.constScanLine(index[k]);
        uint8_t* out = target.scanLine(y);
        int x = 0;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        const __m128i round = _mm_set1_epi32(kRound);
        for (; x + 16 <= bytes; x += 16) {
            __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
            for (int k = 0; k < c.taps; k += 2) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[size_t(k)] + x));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[size_t(k) + 1] + x));
                const __m128i w = _mm_set1_epi32(int(uint16_t(weight[k])) | (int(weight[k + 1]) << 16));
                const __m128i lo = _mm_unpacklo_epi8(a, b);
                const __m128i hi = _mm_unpackhi_epi8(a, b);
                s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
                s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
                s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
                s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
            }
            s0 = _mm_srai_epi32(_mm_add_epi32(s0, round), kShift);
            s1 = _mm_srai_epi32(_mm_add_epi32(s1, round), kShift);
            s2 = _mm_srai_epi32(_mm_add_epi32(s2, round), kShift);
            s3 = _mm_srai_epi32(_mm_add_epi32(s3, round), kShift);
            const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(s0, s1), _mm_packs_epi32(s2, s3));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), packed);
        }
#endif
        for (; x < bytes; ++x) {
            int sum = 0;
            for (int k = 0; k < c.taps; ++k)
                sum += weight[k] * rows[size_t(k)][x];
            out[x] = ClampToByte(sum);
        }
    }
}

void ScaleRowsHorizontally(const QImage& source, QImage& target, const Contributions& c)
{
    for (int y = 0; y < target.height(); ++y) {
        const uint8_t* in = source.constScanLine(y);
        uint8_t* out = target.scanLine(y);
        for (int x = 0; x < target.width(); ++x) {
            const int* index = &c.index[size_t(x) * c.taps];
            const int16_t* weight = &c.weight[size_t(x) * c.taps];
            uint8_t* px = out + x * 4;
#if defined(__SSE2__)
            const __m128i zero = _mm_setzero_si128();
            __m128i s = zero;
            for (int k = 0; k < c.taps; k += 2) {
                uint32_t p0, p1;
                std::memcpy(&p0, in + index[k] * 4, 4);
                std::memcpy(&p1, in + index[k + 1] * 4, 4);
                const __m128i v =
                    _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(p0)), _mm_cvtsi32_si128(int(p1))), zero);
                const __m128i w = _mm_set1_epi32(int(uint16_t(weight[k])) | (int(weight[k + 1]) << 16));
                s = _mm_add_epi32(s, _mm_madd_epi16(v, w));
            }
            s = _mm_srai_epi32(_mm_add_epi32(s, _mm_set1_epi32(kRound)), kShift);
            const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(s, zero), zero);
            const uint32_t value = uint32_t(_mm_cvtsi128_si32(packed));
            std::memcpy(px, &value, 4);
#else
            for (int ch = 0; ch < 4; ++ch) {
                int sum = 0;
                for (int k = 0; k < c.taps; ++k)
                    sum += weight[k] * in[index[k] * 4 + ch];
                px[ch] = ClampToByte(sum);
            }
#endif
        }
    }
}

// The kernel's negative lobes can push a colour above its alpha, which premultiplied storage
// cannot express.
void ClampToAlpha(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(line[x]);
            line[x] = qRgba(std::min(qRed(line[x]), a), std::min(qGreen(line[x]), a), std::min(qBlue(line[x]), a), a);
        }
    }
}

} // namespace

QImage ScaleBicubic(const QImage& source, const QSize& size)
{
    if (source.isNull() || size.isEmpty())
        return QImage();

    QImage work = source;
    if (work.format() != QImage::Format_RGB32 && work.format() != QImage::Format_ARGB32_Premultiplied)
        work =
            work.convertToFormat(work.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (work.isNull())
        return QImage();
    const bool premultiplied = work.format() == QImage::Format_ARGB32_Premultiplied;

    // Reduce the rows first: the vertical pass then reads whole rows once and the horizontal pass
    // only touches the few rows that are left.
    if (size.height() != work.height()) {
        QImage rows(work.width(), size.height(), work.format());
        if (rows.isNull())
            return QImage();
        ScaleRowsVertically(work, rows, ComputeContributions(work.height(), size.height()));
        work = rows;
    }
    if (size.width() != work.width()) {
        QImage columns(size.width(), work.height(), work.format());
        if (columns.isNull())
            return QImage();
        ScaleRowsHorizontally(work, columns, ComputeContributions(work.width(), size.width()));
        work = columns;
    }
    if (premultiplied && size != source.size())
        ClampToAlpha(work);
    work.setDotsPerMeterX(source.dotsPerMeterX());
    work.setDotsPerMeterY(source.dotsPerMeterY());
    return work;
}
