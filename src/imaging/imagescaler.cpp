#include "imaging/imagescaler.h"

#include <QColorSpace>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
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
    std::vector<int> used; // taps that carry weight, rounded up to even
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
    c.used.assign(size_t(targetLength), 0);
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
        c.used[size_t(i)] = std::min(c.taps, (n + 1) & ~1);
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

#if defined(__GNUC__) && defined(__x86_64__)
// Twice the width of the SSE2 loop below, for processors that have it.
__attribute__((target("avx2"))) int VerticalAvx2(const uint8_t* const* rows, const int16_t* weight, int taps, int bytes,
                                                 uint8_t* out)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i round = _mm256_set1_epi32(kRound);
    int x = 0;
    for (; x + 32 <= bytes; x += 32) {
        __m256i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
        for (int k = 0; k < taps; k += 2) {
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k] + x));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k + 1] + x));
            const __m256i w = _mm256_set1_epi32(int(uint16_t(weight[k])) | (int(weight[k + 1]) << 16));
            const __m256i lo = _mm256_unpacklo_epi8(a, b);
            const __m256i hi = _mm256_unpackhi_epi8(a, b);
            s0 = _mm256_add_epi32(s0, _mm256_madd_epi16(_mm256_unpacklo_epi8(lo, zero), w));
            s1 = _mm256_add_epi32(s1, _mm256_madd_epi16(_mm256_unpackhi_epi8(lo, zero), w));
            s2 = _mm256_add_epi32(s2, _mm256_madd_epi16(_mm256_unpacklo_epi8(hi, zero), w));
            s3 = _mm256_add_epi32(s3, _mm256_madd_epi16(_mm256_unpackhi_epi8(hi, zero), w));
        }
        s0 = _mm256_srai_epi32(_mm256_add_epi32(s0, round), kShift);
        s1 = _mm256_srai_epi32(_mm256_add_epi32(s1, round), kShift);
        s2 = _mm256_srai_epi32(_mm256_add_epi32(s2, round), kShift);
        s3 = _mm256_srai_epi32(_mm256_add_epi32(s3, round), kShift);
        // Every step works within 128-bit lanes, so the bytes come back in their own order.
        const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(s0, s1), _mm256_packs_epi32(s2, s3));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), packed);
    }
    return x;
}

const bool kHaveAvx2 = __builtin_cpu_supports("avx2");
#endif

// One output row of the vertical pass: a weighted sum of whole source rows.
void ScaleRowVertically(const std::function<const uint8_t*(int)>& rowAt, int bytes, uint8_t* out,
                        const Contributions& c, int y, const uint8_t** rows)
{
    const int* index = &c.index[size_t(y) * c.taps];
    const int16_t* weight = &c.weight[size_t(y) * c.taps];
    const int taps = c.used[size_t(y)];
    for (int k = 0; k < taps; ++k)
        rows[k] = rowAt(index[k]);
    int x = 0;
#if defined(__GNUC__) && defined(__x86_64__)
    if (kHaveAvx2)
        x = VerticalAvx2(rows, weight, taps, bytes, out);
#endif
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi32(kRound);
    for (; x + 16 <= bytes; x += 16) {
        __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
        for (int k = 0; k < taps; k += 2) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + x));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + x));
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
        for (int k = 0; k < taps; ++k)
            sum += weight[k] * rows[k][x];
        out[x] = ClampToByte(sum);
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
            const int taps = c.used[size_t(x)];
            uint8_t* px = out + x * 4;
#if defined(__SSE2__)
            const __m128i zero = _mm_setzero_si128();
            __m128i s = zero;
            for (int k = 0; k < taps; k += 2) {
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
                for (int k = 0; k < taps; ++k)
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

struct CXBicubicReducer::Private
{
    RowSource rowAt;
    QSize sourceSize;
    QImage::Format format = QImage::Format_RGB32;
    QSize size;
    const QImage* image = nullptr; // set when reducing a whole picture
    Contributions vertical;
    QImage rows; // the vertical pass's result: source width, target height
    std::vector<const uint8_t*> taps;
    int nextRow = 0;
    bool failed = false;

    void Init()
    {
        failed = sourceSize.isEmpty() || size.isEmpty() ||
                 (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied);
        if (failed)
            return;
        // A whole picture whose height stays needs no row pass; streamed rows always take one, it is
        // also what copies them out of the caller's buffer.
        if (image && size.height() == sourceSize.height())
            return;
        vertical = ComputeContributions(sourceSize.height(), size.height());
        rows = QImage(sourceSize.width(), size.height(), format);
        taps.resize(size_t(vertical.taps));
        failed = rows.isNull();
    }
};

CXBicubicReducer::CXBicubicReducer(const QImage& source, const QSize& size) : d(std::make_unique<Private>())
{
    d->rowAt = [&source](int row) { return source.constScanLine(row); };
    d->sourceSize = source.size();
    d->format = source.format();
    d->size = size;
    d->image = &source;
    d->Init();
}

CXBicubicReducer::CXBicubicReducer(const QSize& sourceSize, QImage::Format format, const QSize& size, RowSource rowAt)
    : d(std::make_unique<Private>())
{
    d->rowAt = std::move(rowAt);
    d->sourceSize = sourceSize;
    d->format = format;
    d->size = size;
    d->Init();
}

CXBicubicReducer::~CXBicubicReducer() = default;

int CXBicubicReducer::OldestRowNeeded() const
{
    if (d->failed || d->rows.isNull() || d->nextRow >= d->size.height())
        return std::numeric_limits<int>::max();
    return d->vertical.index[size_t(d->nextRow) * d->vertical.taps];
}

int CXBicubicReducer::RowWindow() const
{
    return d->rows.isNull() ? 0 : d->vertical.taps;
}

void CXBicubicReducer::RowsAvailable(int rows)
{
    if (d->failed || d->rows.isNull())
        return;
    const Contributions& c = d->vertical;
    const int bytes = d->sourceSize.width() * 4;
    while (d->nextRow < d->size.height()) {
        // The last tap of a row reads the furthest source row it needs.
        if (c.index[size_t(d->nextRow) * c.taps + c.taps - 1] >= rows)
            break;
        ScaleRowVertically(d->rowAt, bytes, d->rows.scanLine(d->nextRow), c, d->nextRow, d->taps.data());
        ++d->nextRow;
    }
}

QImage CXBicubicReducer::Finish()
{
    if (d->failed)
        return QImage();
    RowsAvailable(d->sourceSize.height());
    QImage work = d->rows.isNull() ? *d->image : d->rows;
    if (d->size.width() != work.width()) {
        QImage columns(d->size.width(), work.height(), work.format());
        if (columns.isNull())
            return QImage();
        ScaleRowsHorizontally(work, columns, ComputeContributions(work.width(), d->size.width()));
        work = columns;
    }
    if (work.format() == QImage::Format_ARGB32_Premultiplied && d->size != d->sourceSize)
        ClampToAlpha(work);
    if (d->image) {
        work.setDotsPerMeterX(d->image->dotsPerMeterX());
        work.setDotsPerMeterY(d->image->dotsPerMeterY());
        // The embedded profile travels with the pixels, so a wide-gamut phone photo keeps its colours.
        work.setColorSpace(d->image->colorSpace());
    }
    return work;
}

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
    CXBicubicReducer reducer(work, size);
    return reducer.Finish();
}
