#include "imaging/imagescaler.h"

#include "imaging/pixelblend.h"

#include <QColorSpace>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace {

constexpr int kShift = 14; // weights are fixed point with 14 fraction bits
constexpr int kOne = 1 << kShift;

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

// One output row of the vertical pass: a weighted sum of whole source rows.
void ScaleRowVertically(const std::function<const uint8_t*(int)>& rowAt, int bytes, uint8_t* out,
                        const Contributions& c, int y, const uint8_t** rows)
{
    const int* index = &c.index[size_t(y) * c.taps];
    const int taps = c.used[size_t(y)];
    for (int k = 0; k < taps; ++k)
        rows[k] = rowAt(index[k]);
    BlendLines(out, rows, &c.weight[size_t(y) * c.taps], taps, bytes);
}

void ScaleRowsHorizontally(const QImage& source, QImage& target, const Contributions& c)
{
    for (int y = 0; y < target.height(); ++y)
        BlendPixels(target.scanLine(y), source.constScanLine(y), c.index.data(), c.weight.data(), c.used.data(), c.taps,
                    target.width());
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

// Four source positions, clamped to the picture, and their weights: the plain kernel, unwidened.
struct FourTaps
{
    std::array<int, 4> index;
    std::array<int, 4> weight;
};

std::vector<FourTaps> ComputeFourTaps(int source, int target)
{
    std::vector<FourTaps> taps(static_cast<size_t>(target));
    const double scale = double(source) / target;
    for (int i = 0; i < target; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int base = int(std::floor(centre));
        const double t = centre - base;
        FourTaps& tap = taps[size_t(i)];
        int sum = 0;
        for (int k = 0; k < 4; ++k) {
            tap.index[size_t(k)] = std::clamp(base - 1 + k, 0, source - 1);
            tap.weight[size_t(k)] = int(std::lround(Keys(k - 1 - t) * kOne));
            sum += tap.weight[size_t(k)];
        }
        // Rounding must not change the brightness of flat areas.
        tap.weight[t < 0.5 ? 1 : 2] += kOne - sum;
    }
    return taps;
}

// Rows of the source as premultiplied pixels, which is what it shows over black. Opaque and
// premultiplied pictures, and the opaque rows of a straight-alpha one, are read in place; other rows
// are converted one at a time into a few recycled lines (the shrink never needs more than four
// neighbouring rows at once), so the first rows out do not wait for a converted whole picture.
class SourceRows
{
public:
    explicit SourceRows(const QImage& source) : m_source(source)
    {
        if (source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32_Premultiplied)
            m_mode = Mode::Direct;
        else if (source.format() == QImage::Format_ARGB32)
            m_mode = Mode::Straight;
        else {
            m_mode = Mode::Direct;
            m_converted = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            m_source = m_converted;
        }
        m_width = source.width();
        if (m_mode == Mode::Straight) {
            m_lines.resize(size_t(kSlots) * size_t(m_width));
            m_held.fill(-1);
            m_opaque.assign(size_t(source.height()), -1);
        }
    }

    const uint8_t* Row(int y)
    {
        if (m_mode == Mode::Direct)
            return m_source.constScanLine(y);
        const auto* in = reinterpret_cast<const QRgb*>(m_source.constScanLine(y));
        signed char& opaque = m_opaque[size_t(y)];
        if (opaque < 0) {
            QRgb all = 0xFF000000u;
            for (int x = 0; x < m_width; ++x)
                all &= in[x];
            opaque = (all >> 24) == 0xFF ? 1 : 0;
        }
        // Opaque rows are premultiplied already: the usual case, a rendered flyer.
        if (opaque)
            return m_source.constScanLine(y);
        const size_t slot = size_t(y % kSlots);
        QRgb* line = m_lines.data() + slot * size_t(m_width);
        if (m_held[slot] != y) {
            for (int x = 0; x < m_width; ++x)
                line[x] = qPremultiply(in[x]);
            m_held[slot] = y;
        }
        return reinterpret_cast<const uint8_t*>(line);
    }

private:
    enum class Mode
    {
        Direct,
        Straight
    };
    static constexpr int kSlots = 8;
    QImage m_source;
    QImage m_converted;
    Mode m_mode = Mode::Direct;
    int m_width = 0;
    std::vector<QRgb> m_lines;
    std::vector<signed char> m_opaque; // per row: -1 not looked at yet
    std::array<int, kSlots> m_held{};
};

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

void ShrinkSlightly(const QImage& source, const QSize& size, const std::function<uint8_t*(int row)>& rowAt,
                    const std::function<void(int row)>& rowDone)
{
    if (source.isNull() || size.isEmpty())
        return;
    SourceRows rows(source);
    const int width = source.width();
    const std::vector<FourTaps> vertical = ComputeFourTaps(source.height(), size.height());
    const std::vector<FourTaps> columns = ComputeFourTaps(width, size.width());

    // Per-byte column weights, and the runs of columns whose taps start at a fixed offset: the shrink
    // moves each column by less than one pixel per 400, so the four source pixels of long runs of
    // columns lie side by side, and each run blends four shifted copies of the line like the rows.
    const size_t outBytes = size_t(size.width()) * 4;
    std::array<std::vector<int16_t>, 4> columnWeights;
    for (auto& weights : columnWeights)
        weights.resize(outBytes);
    struct Run
    {
        int first, end, offset;
    };
    std::vector<Run> runs;
    for (int x = 0; x < size.width(); ++x) {
        const FourTaps& tap = columns[size_t(x)];
        for (int k = 0; k < 4; ++k)
            std::fill_n(&columnWeights[size_t(k)][size_t(x) * 4], 4, int16_t(tap.weight[size_t(k)]));
        // Clamping at the edges breaks the side-by-side rule; those columns are runs of their own.
        const bool sideBySide = tap.index[3] - tap.index[0] == 3;
        const int offset = sideBySide ? tap.index[0] - x : 0;
        if (sideBySide && !runs.empty() && runs.back().offset == offset && runs.back().end == x &&
            runs.back().first != -1)
            runs.back().end = x + 1;
        else
            runs.push_back({sideBySide ? x : -1, x + 1, offset});
    }

    std::vector<uint8_t> line(size_t(width) * 4);
    for (int y = 0; y < size.height(); ++y) {
        const FourTaps& row = vertical[size_t(y)];
        BlendFourLines(line.data(),
                       {rows.Row(row.index[0]), rows.Row(row.index[1]), rows.Row(row.index[2]), rows.Row(row.index[3])},
                       row.weight, int(line.size()));

        uint8_t* const out = rowAt(y);
        if (!out)
            return;
        for (const Run& run : runs) {
            if (run.first == -1) {
                // An edge column: its clamped taps one by one.
                const int x = run.end - 1;
                const FourTaps& tap = columns[size_t(x)];
                for (size_t channel = 0; channel < 4; ++channel) {
                    std::array<uint8_t, 4> values;
                    for (size_t k = 0; k < 4; ++k)
                        values[k] = line[size_t(tap.index[k]) * 4 + channel];
                    out[size_t(x) * 4 + channel] = BlendFour(tap.weight, values);
                }
                continue;
            }
            const size_t begin = size_t(run.first) * 4;
            const uint8_t* in = line.data() + size_t(run.first + run.offset) * 4;
            BlendFourLines(out + begin, {in, in + 4, in + 8, in + 12},
                           {&columnWeights[0][begin], &columnWeights[1][begin], &columnWeights[2][begin],
                            &columnWeights[3][begin]},
                           (run.end - run.first) * 4);
        }
        // Opaque whatever the blend made of the alpha bytes.
        auto* pixels = reinterpret_cast<QRgb*>(out);
        for (int x = 0; x < size.width(); ++x)
            pixels[x] |= 0xFF000000u;
        rowDone(y);
    }
}
