#include "output/flyerexport.h"

#include "app/appinfo.h"
#include "imaging/imagelibrary.h"
#include "imaging/jpegstream.h"
#include "output/flyermail.h"
#include "output/pdfwriter.h"
#include "projects/flyerdata.h"
#include "settings/appsettings.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <thread>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace {

// Keys' cubic convolution kernel (a = -0.5), the usual "bicubic".
double Cubic(double x)
{
    x = std::abs(x);
    if (x < 1)
        return (1.5 * x - 2.5) * x * x + 1;
    if (x < 2)
        return ((-0.5 * x + 2.5) * x - 4) * x + 2;
    return 0;
}

// Four source positions, clamped to the picture, and their weights in units of 1/16384.
struct CubicTaps
{
    std::array<int, 4> index;
    std::array<int, 4> weight;
};

std::vector<CubicTaps> TapsFor(int source, int target)
{
    std::vector<CubicTaps> taps(static_cast<size_t>(target));
    const double scale = double(source) / target;
    for (int i = 0; i < target; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int base = int(std::floor(centre));
        const double t = centre - base;
        CubicTaps& tap = taps[size_t(i)];
        int sum = 0;
        for (int k = 0; k < 4; ++k) {
            tap.index[size_t(k)] = std::clamp(base - 1 + k, 0, source - 1);
            tap.weight[size_t(k)] = int(std::lround(Cubic(k - 1 - t) * 16384));
            sum += tap.weight[size_t(k)];
        }
        // Rounding must not change the brightness of flat areas.
        tap.weight[t < 0.5 ? 1 : 2] += 16384 - sum;
    }
    return taps;
}

// Blending in sixteen bits: each byte is shifted up by 7 and multiplied by its weight (1/16384
// units) keeping the high half, so each product is the value in 1/32 units, and four of them
// cannot overflow. Flat areas come out exact: the weights add up to 16384.
constexpr int kBlendShift = 5;
constexpr int kBlendRound = 1 << (kBlendShift - 1);

inline int BlendTerm(int weight, uchar value)
{
    return (int(value) << 7) * weight >> 16;
}

inline uchar BlendResult(int sum)
{
    return uchar(std::clamp((sum + kBlendRound) >> kBlendShift, 0, 255));
}

#ifdef __SSE2__
struct Quad
{
    __m128i v[4];
    const __m128i& operator[](size_t k) const { return v[k]; }
};

inline __m128i BlendTerms(__m128i values, __m128i weight)
{
    return _mm_mulhi_epi16(_mm_slli_epi16(values, 7), weight);
}

// Eight sums of four weighted bytes, unpacked to sixteen bits by unpack.
template <typename Unpack> inline __m128i BlendHalf(Unpack unpack, const Quad& bytes, const Quad& weights)
{
    const __m128i sum01 =
        _mm_add_epi16(BlendTerms(unpack(bytes[0]), weights[0]), BlendTerms(unpack(bytes[1]), weights[1]));
    const __m128i sum23 =
        _mm_add_epi16(BlendTerms(unpack(bytes[2]), weights[2]), BlendTerms(unpack(bytes[3]), weights[3]));
    return _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(sum01, sum23), _mm_set1_epi16(kBlendRound)), kBlendShift);
}

inline __m128i UnpackLow(__m128i v)
{
    return _mm_unpacklo_epi8(v, _mm_setzero_si128());
}
inline __m128i UnpackHigh(__m128i v)
{
    return _mm_unpackhi_epi8(v, _mm_setzero_si128());
}

inline __m128i Load(const void* p)
{
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
#endif

// out[j] = sum of weight_k * in_k[j] for byte j of four lines; weightOf(k, j) gives the weight.
template <typename Weights>
void Blend(uchar* out, const std::array<const uchar*, 4>& in, const Weights& weights, int count, int from = 0)
{
    int j = from;
#ifdef __SSE2__
    for (; j + 16 <= count; j += 16) {
        const Quad bytes = {{Load(in[0] + j), Load(in[1] + j), Load(in[2] + j), Load(in[3] + j)}};
        const __m128i low = BlendHalf(UnpackLow, bytes, weights.Vector(j));
        const __m128i high = BlendHalf(UnpackHigh, bytes, weights.Vector(j + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm_packus_epi16(low, high));
    }
#endif
    for (; j < count; ++j) {
        int sum = 0;
        for (size_t k = 0; k < 4; ++k)
            sum += BlendTerm(weights.Scalar(k, j), in[k][j]);
        out[j] = BlendResult(sum);
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define LISTORA_FRAME_AVX2 1
// The same arithmetic as Blend, 32 bytes at a time where the processor has AVX2 (checked at run
// time: the build itself targets plain x86-64). Results are identical to the SSE2 and scalar ways.
__attribute__((target("avx2"))) inline __m256i BlendTerms256(const uchar* bytes, __m256i weight)
{
    const __m256i values = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
    return _mm256_mulhi_epi16(_mm256_slli_epi16(values, 7), weight);
}

__attribute__((target("avx2"))) inline __m256i BlendSixteen(const std::array<const uchar*, 4>& in, int j,
                                                            const __m256i (&weight)[4])
{
    const __m256i sum01 = _mm256_add_epi16(BlendTerms256(in[0] + j, weight[0]), BlendTerms256(in[1] + j, weight[1]));
    const __m256i sum23 = _mm256_add_epi16(BlendTerms256(in[2] + j, weight[2]), BlendTerms256(in[3] + j, weight[3]));
    return _mm256_srai_epi16(_mm256_add_epi16(_mm256_add_epi16(sum01, sum23), _mm256_set1_epi16(kBlendRound)),
                             kBlendShift);
}

__attribute__((target("avx2"))) inline void StoreThirtyTwo(uchar* out, __m256i low, __m256i high)
{
    // packus works within each 128-bit lane; the permute puts the four quarters back in order.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), packed);
}

// Returns how many bytes it did; the caller finishes the rest.
__attribute__((target("avx2"))) int BlendRowAvx2(uchar* out, const std::array<const uchar*, 4>& in,
                                                 const std::array<int, 4>& weights, int count)
{
    __m256i weight[4];
    for (size_t k = 0; k < 4; ++k)
        weight[k] = _mm256_set1_epi16(int16_t(weights[k]));
    int j = 0;
    for (; j + 32 <= count; j += 32)
        StoreThirtyTwo(out + j, BlendSixteen(in, j, weight), BlendSixteen(in, j + 16, weight));
    return j;
}

__attribute__((target("avx2"))) int BlendColumnsAvx2(uchar* out, const std::array<const uchar*, 4>& in,
                                                     const std::array<const int16_t*, 4>& weights, int count)
{
    int j = 0;
    for (; j + 32 <= count; j += 32) {
        __m256i low[4], high[4];
        for (size_t k = 0; k < 4; ++k) {
            low[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights[k] + j));
            high[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights[k] + j + 16));
        }
        StoreThirtyTwo(out + j, BlendSixteen(in, j, low), BlendSixteen(in, j + 16, high));
    }
    return j;
}

bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

// The same four weights for every byte: a row of the picture.
struct RowWeights
{
    explicit RowWeights(const std::array<int, 4>& w) : weight(w)
    {
#ifdef __SSE2__
        for (size_t k = 0; k < 4; ++k)
            vector.v[k] = _mm_set1_epi16(int16_t(w[k]));
#endif
    }
    int Scalar(size_t k, int) const
    {
        return weight[k];
    }
#ifdef __SSE2__
    const Quad& Vector(int) const
    {
        return vector;
    }
    Quad vector;
#endif
    std::array<int, 4> weight;
};

// A weight for every byte (one per pixel, repeated for its four channels): columns.
struct ColumnWeights
{
    std::array<const int16_t*, 4> weight;
    int Scalar(size_t k, int j) const { return weight[k][j]; }
#ifdef __SSE2__
    Quad Vector(int j) const
    {
        return {{Load(weight[0] + j), Load(weight[1] + j), Load(weight[2] + j), Load(weight[3] + j)}};
    }
#endif
};

// Rows of the flyer as premultiplied pixels, which is what it shows over the black frame. Opaque
// and premultiplied pictures, and the opaque rows of a straight-alpha one, are read in place; other
// rows are converted one at a time into a few recycled lines (the shrink never needs more than four
// neighbouring rows at once), so the first framed rows do not wait for a converted whole picture.
class SourceRows
{
public:
    explicit SourceRows(const QImage& flyer) : m_flyer(flyer)
    {
        if (flyer.format() == QImage::Format_RGB32 || flyer.format() == QImage::Format_ARGB32_Premultiplied)
            m_mode = Mode::Direct;
        else if (flyer.format() == QImage::Format_ARGB32)
            m_mode = Mode::Straight;
        else {
            m_mode = Mode::Direct;
            m_converted = flyer.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            m_flyer = m_converted;
        }
        m_width = flyer.width();
        if (m_mode == Mode::Straight) {
            m_lines.resize(size_t(kSlots) * size_t(m_width));
            m_held.fill(-1);
            m_opaque.assign(size_t(flyer.height()), -1);
        }
    }

    const uchar* Row(int y)
    {
        if (m_mode == Mode::Direct)
            return m_flyer.constScanLine(y);
        const auto* in = reinterpret_cast<const QRgb*>(m_flyer.constScanLine(y));
        signed char& opaque = m_opaque[size_t(y)];
        if (opaque < 0) {
            QRgb all = 0xFF000000u;
            for (int x = 0; x < m_width; ++x)
                all &= in[x];
            opaque = (all >> 24) == 0xFF ? 1 : 0;
        }
        // Opaque rows are premultiplied already: the usual case, a rendered flyer.
        if (opaque)
            return m_flyer.constScanLine(y);
        const size_t slot = size_t(y % kSlots);
        QRgb* line = m_lines.data() + slot * size_t(m_width);
        if (m_held[slot] != y) {
            for (int x = 0; x < m_width; ++x)
                line[x] = qPremultiply(in[x]);
            m_held[slot] = y;
        }
        return reinterpret_cast<const uchar*>(line);
    }

private:
    enum class Mode
    {
        Direct,
        Straight
    };
    static constexpr int kSlots = 8;
    QImage m_flyer;
    QImage m_converted;
    Mode m_mode = Mode::Direct;
    int m_width = 0;
    std::vector<QRgb> m_lines;
    std::vector<signed char> m_opaque; // per row: -1 not looked at yet
    std::array<int, kSlots> m_held{};
};

// Where the framed rows go, one at a time in order: Begin gives the row's pixels (null: stop),
// Done hands the finished row on.
struct ImageTarget
{
    QImage& image;
    uchar* Begin(int y) { return image.scanLine(y); }
    void Done(int, uchar*) {}
};

// Rows for the encoder on the other thread, handed over in small batches to keep its waits few.
struct RingTarget
{
    RowRing& ring;
    int height;
    uchar* Begin(int y) { return ring.WaitForRoom(y + 1) ? ring.Row(y) : nullptr; }
    void Done(int y, uchar*)
    {
        if (((y + 1) & 7) == 0 || y + 1 == height)
            ring.Publish(y + 1);
    }
};

// The frame's side columns, added to each row the flyer fills.
template <typename Target> struct BorderedTarget
{
    Target& target;
    int width;
    bool right;
    uchar* Begin(int y) { return target.Begin(y); }
    void Done(int y, uchar* line)
    {
        auto* pixels = reinterpret_cast<QRgb*>(line);
        pixels[0] = 0xFF000000u;
        if (right)
            pixels[width - 1] = 0xFF000000u;
        target.Done(y, line);
    }
};

// The frame shrinks the flyer by one or two pixels, a factor within half a percent of one, where a
// plain four-tap bicubic is what a widened, area-aware one would compute. Written for that case, it
// takes a fraction of a general resampler's time: the shrink moves each column by less than one
// pixel per 400, so the four source pixels of long runs of columns lie side by side, and each run
// blends four shifted copies of the line like the rows.
template <typename Target>
void DrawShrunk(SourceRows& source, const QSize& sourceSize, Target& target, const QPoint& at, const QSize& size)
{
    const int width = sourceSize.width();
    const std::vector<CubicTaps> rows = TapsFor(sourceSize.height(), size.height());
    const std::vector<CubicTaps> columns = TapsFor(width, size.width());

    // Per-byte column weights, and the runs of columns whose taps start at a fixed offset.
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
        const CubicTaps& tap = columns[size_t(x)];
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

#ifdef LISTORA_FRAME_AVX2
    const bool avx2 = HasAvx2();
#endif
    std::vector<uchar> line(size_t(width) * 4);
    for (int y = 0; y < size.height(); ++y) {
        const CubicTaps& row = rows[size_t(y)];
        const std::array<const uchar*, 4> rowIn = {source.Row(row.index[0]), source.Row(row.index[1]),
                                                   source.Row(row.index[2]), source.Row(row.index[3])};
        int done = 0;
#ifdef LISTORA_FRAME_AVX2
        if (avx2)
            done = BlendRowAvx2(line.data(), rowIn, row.weight, int(line.size()));
#endif
        Blend(line.data(), rowIn, RowWeights(row.weight), int(line.size()), done);

        uchar* const start = target.Begin(at.y() + y);
        if (!start)
            return;
        uchar* out = start + size_t(at.x()) * 4;
        for (const Run& run : runs) {
            if (run.first == -1) {
                // An edge column: its clamped taps one by one.
                const int x = run.end - 1;
                const CubicTaps& tap = columns[size_t(x)];
                for (size_t channel = 0; channel < 4; ++channel) {
                    int sum = 0;
                    for (size_t k = 0; k < 4; ++k)
                        sum += BlendTerm(tap.weight[k], line[size_t(tap.index[k]) * 4 + channel]);
                    out[size_t(x) * 4 + channel] = BlendResult(sum);
                }
                continue;
            }
            const size_t begin = size_t(run.first) * 4;
            const uchar* in = line.data() + size_t(run.first + run.offset) * 4;
            const std::array<const uchar*, 4> columnIn = {in, in + 4, in + 8, in + 12};
            const ColumnWeights weights{{&columnWeights[0][begin], &columnWeights[1][begin], &columnWeights[2][begin],
                                         &columnWeights[3][begin]}};
            const int count = (run.end - run.first) * 4;
            int done = 0;
#ifdef LISTORA_FRAME_AVX2
            if (avx2)
                done = BlendColumnsAvx2(out + begin, columnIn, weights.weight, count);
#endif
            Blend(out + begin, columnIn, weights, count, done);
        }
        // Opaque whatever the blend made of the alpha bytes.
        auto* pixels = reinterpret_cast<QRgb*>(out);
        for (int x = 0; x < size.width(); ++x)
            pixels[x] |= 0xFF000000u;
        target.Done(at.y() + y, start);
    }
}

// The framed flyer, row by row into target: the flyer shrunk over a frame of black.
template <typename Target> void FrameInto(const QImage& flyer, FlyerFrame frame, Target& target)
{
    const int width = flyer.width();
    const int height = flyer.height();
    const int shrink = frame == FlyerFrame::AllSides ? 2 : 1;
    const QSize inner(width - shrink, height - shrink);
    const auto blackRow = [&](int y) {
        uchar* line = target.Begin(y);
        if (!line)
            return false;
        std::fill_n(reinterpret_cast<QRgb*>(line), width, 0xFF000000u);
        target.Done(y, line);
        return true;
    };
    if (inner.isEmpty()) {
        for (int y = 0; y < height; ++y)
            if (!blackRow(y))
                return;
        return;
    }
    if (!blackRow(0))
        return;
    SourceRows source(flyer);
    BorderedTarget<Target> bordered{target, width, shrink == 2};
    DrawShrunk(source, flyer.size(), bordered, QPoint(1, 1), inner);
    if (shrink == 2)
        blackRow(height - 1);
}

// The framed flyer as a quality-100 JPEG. The frame is drawn on a second thread while libjpeg
// encodes the rows already finished, so the whole takes little longer than the encode alone, and
// the rows pass through a small ring that stays in the cache instead of a fresh full-size picture.
bool EncodeFramedJpeg(const QImage& flyer, FlyerFrame frame, QByteArray* jpeg, QString* error)
{
    // The flyer's own resolution, which is the picture's size in inches.
    const QSize dotsPerMeter(flyer.dotsPerMeterX(), flyer.dotsPerMeterY());
    if (CanEncodeJpegRing()) {
        RowRing ring(flyer.width(), 128);
        bool encoded = false;
        {
            std::jthread painter([&] {
                RingTarget target{ring, flyer.height()};
                FrameInto(flyer, frame, target);
            });
            encoded = EncodeJpegRing(ring, flyer.size(), dotsPerMeter, 100, jpeg, error);
        }
        return encoded;
    }
    QImage framed = FrameFlyer(flyer, frame);
    framed.setDotsPerMeterX(dotsPerMeter.width());
    framed.setDotsPerMeterY(dotsPerMeter.height());
    jpeg->clear();
    QBuffer buffer(jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    if (framed.isNull() || !writer.write(framed)) {
        *error = framed.isNull() ? QStringLiteral("not enough memory") : writer.errorString();
        return false;
    }
    return true;
}

QImage FlattenedOnWhite(const QImage& picture)
{
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, picture);
    return opaque;
}

// Why a file could not be made at path, as far as the file system tells.
QString WriteFailureReason(const QString& path)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir())
        return QStringLiteral("The folder %1 does not exist.").arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isWritable())
        return QStringLiteral("You may not write to the folder %1.").arg(QDir::toNativeSeparators(folder.filePath()));
    return QStringLiteral("The disk may be full, or the file may be in use by another program.");
}

// A scratch file, read once and deleted: complete and checked, but not waited for on the disk.
bool WriteScratchFile(const QByteArray& bytes, const QString& path, QString* error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("The folder %1 could not be made.").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    return CXFileWriter::WriteFile(path, bytes, error, CXFileWriter::Durability::Scratch);
}

} // namespace

QString ExportFilter()
{
    return QStringLiteral("PDF Document (*.pdf);;JPEG Image (*.jpg);;PNG Image (*.png);;Windows Bitmap Image (*.bmp)");
}

QString ExportDialogTitle()
{
    return QStringLiteral("Export Flyer as...");
}

QString DefaultExportName(const CFlyerData& flyer)
{
    // "1417 1/2 Elm Street" must not make the save dialog look for a folder "1417 1".
    return SafeFileName(
        QStringLiteral("%1 - %2 - %3.pdf").arg(flyer.m_strMLS, flyer.m_strAddress, flyer.m_strCityStateZip));
}

QString IntermediateJpegPath(const QString& tempFolder, const QString& projectId)
{
    QString folder = tempFolder;
    NormalizeFolderPath(folder, false);
    // Settings without working folders (nothing set them up) must not put the file in the root.
    if (folder.isEmpty())
        folder = QDir::tempPath();
    // A record without an id still needs a file name that is not hidden.
    const QString name = projectId.isEmpty() ? QStringLiteral("Flyer") : projectId;
    return folder + QLatin1Char('/') + name + QStringLiteral(".jpg");
}

bool IsPdfExportPath(const QString& path)
{
    return path.toLower().contains(QLatin1String(".pdf"));
}

QImage FrameFlyer(const QImage& flyer, FlyerFrame frame)
{
    if (flyer.isNull())
        return QImage();
    // Always opaque: the frame colour is the background and the flyer is drawn over it.
    QImage framed(flyer.size(), QImage::Format_RGB32);
    if (framed.isNull())
        return QImage();
    ImageTarget target{framed};
    FrameInto(flyer, frame, target);
    return framed;
}

bool SaveIntermediateJpeg(const QImage& picture, const QString& path, QString* error)
{
    if (picture.isNull()) {
        if (error)
            *error = QStringLiteral("%1 could not be written: there is no picture").arg(QDir::toNativeSeparators(path));
        return false;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    // JPEG has no alpha: an opaque copy, so nothing depends on the colour of invisible pixels.
    if (!writer.write(picture.hasAlphaChannel() ? FlattenedOnWhite(picture) : picture)) {
        if (error)
            *error =
                QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(path), writer.errorString());
        return false;
    }
    return WriteScratchFile(bytes, path, error);
}

bool ExportFlyerFile(const QImage& flyer, const QString& chosenPath, const QString& tempFolder,
                     const QString& projectId, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (flyer.isNull())
        return fail(QStringLiteral("There is no flyer to export."));

    const QFileInfo chosen(chosenPath);
    const bool pdf = IsPdfExportPath(chosenPath);
    const uint8_t type = GetImageType(chosenPath);
    if (!pdf && (type == kImageTypeUnknown || GetEncoderClsid(GetMimeType(type)) < 0))
        return fail(QStringLiteral("%1 cannot write a file named \"%2\". Choose a name that ends in .pdf, .jpg, "
                                   ".png or .bmp.")
                        .arg(AppInfo::DisplayName(), chosen.fileName()));

    const QString intermediate = IntermediateJpegPath(tempFolder, projectId);
    QFile::remove(intermediate);
    QString why;
    QByteArray jpeg;
    if (!EncodeFramedJpeg(flyer, FlyerFrame::AllSides, &jpeg, &why))
        return fail(QStringLiteral("The flyer could not be exported: its picture could not be made.\n\n%1").arg(why));

    // Both writers replace an existing file only with a complete new one, so a failed export
    // leaves the user's earlier file as it was.
    bool written = false;
    if (pdf) {
        // The PDF wraps the very JPEG bytes in memory: no scratch file to write and read back.
        written = ConvertJpegDataToPdf(jpeg, intermediate, chosenPath, &why);
        if (!written && !QFileInfo(chosen.absolutePath()).isWritable())
            why = WriteFailureReason(chosenPath);
    } else {
        if (!WriteScratchFile(jpeg, intermediate, &why))
            return fail(QStringLiteral("The flyer could not be exported: its working copy could not be written.\n\n%1")
                            .arg(why));
        ConvertImage(intermediate, chosen.absolutePath(), chosen.fileName(), false, 0, type, false, &why);
        written = why.isEmpty();
        if (!written && !QFileInfo(chosen.absolutePath()).isWritable())
            why = WriteFailureReason(chosenPath);
    }
    QFile::remove(intermediate);
    if (!written)
        return fail(QStringLiteral("The flyer could not be exported to %1.\n\n%2")
                        .arg(QDir::toNativeSeparators(chosen.absoluteFilePath()), why));
    if (error)
        error->clear();
    return true;
}

bool ExportFlyerFile(CAppSettings& settings, const CFlyerData& flyer, const QImage& image, const QString& chosenPath,
                     QString* error)
{
    const bool written = ExportFlyerFile(image, chosenPath, settings.Path2TempFolder, flyer.m_strId, error);
    if (image.isNull())
        return written;
    QString folder = QFileInfo(chosenPath).absolutePath();
    NormalizeFolderPath(folder, false);
    settings.LastExportToPath = folder;
    settings._SaveSettings();
    return written;
}
