#include "imaging/pixelblend.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define LISTORA_BLEND_AVX2 1
#endif

namespace {

constexpr int kShift = 14; // weights are fixed point with 14 fraction bits
constexpr int kRound = 1 << (kShift - 1);
constexpr int kFourShift = 5; // BlendFourLines' products are in 1/32 units
constexpr int kFourRound = 1 << (kFourShift - 1);

BlendWay DetectWay()
{
#ifdef LISTORA_BLEND_AVX2
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return BlendWay::Avx2;
#endif
#ifdef __SSE2__
    return BlendWay::Sse2;
#else
    return BlendWay::Plain;
#endif
}

std::atomic<BlendWay>& CurrentWay()
{
    static std::atomic<BlendWay> way(DetectWay());
    return way;
}

inline bool Use(BlendWay way)
{
    return CurrentWay().load(std::memory_order_relaxed) >= way;
}

inline uint8_t ClampToByte(int value)
{
    value = (value + kRound) >> kShift;
    return uint8_t(std::clamp(value, 0, 255));
}

inline int FourTerm(int weight, uint8_t value)
{
    return (int(value) << 7) * weight >> 16;
}

inline uint8_t FourResult(int sum)
{
    return uint8_t(std::clamp((sum + kFourRound) >> kFourShift, 0, 255));
}

#ifdef LISTORA_BLEND_AVX2
// Twice the width of the SSE2 loop of BlendLines.
__attribute__((target("avx2"))) int BlendLinesAvx2(uint8_t* out, const uint8_t* const* rows, const int16_t* weight,
                                                   int taps, int bytes)
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

__attribute__((target("avx2"))) inline __m256i FourTerms256(const uint8_t* bytes, __m256i weight)
{
    const __m256i values = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
    return _mm256_mulhi_epi16(_mm256_slli_epi16(values, 7), weight);
}

__attribute__((target("avx2"))) inline __m256i FourSixteen(const FourLines& in, int j, const __m256i (&weight)[4])
{
    const __m256i sum01 = _mm256_add_epi16(FourTerms256(in[0] + j, weight[0]), FourTerms256(in[1] + j, weight[1]));
    const __m256i sum23 = _mm256_add_epi16(FourTerms256(in[2] + j, weight[2]), FourTerms256(in[3] + j, weight[3]));
    return _mm256_srai_epi16(_mm256_add_epi16(_mm256_add_epi16(sum01, sum23), _mm256_set1_epi16(kFourRound)),
                             kFourShift);
}

__attribute__((target("avx2"))) inline void StoreThirtyTwo(uint8_t* out, __m256i low, __m256i high)
{
    // packus works within each 128-bit lane; the permute puts the four quarters back in order.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), packed);
}

__attribute__((target("avx2"))) int FourLinesAvx2(uint8_t* out, const FourLines& in, const std::array<int, 4>& weights,
                                                  int count)
{
    __m256i weight[4];
    for (size_t k = 0; k < 4; ++k)
        weight[k] = _mm256_set1_epi16(int16_t(weights[k]));
    int j = 0;
    for (; j + 32 <= count; j += 32)
        StoreThirtyTwo(out + j, FourSixteen(in, j, weight), FourSixteen(in, j + 16, weight));
    return j;
}

__attribute__((target("avx2"))) int FourLinesAvx2(uint8_t* out, const FourLines& in,
                                                  const std::array<const int16_t*, 4>& weights, int count)
{
    int j = 0;
    for (; j + 32 <= count; j += 32) {
        __m256i low[4], high[4];
        for (size_t k = 0; k < 4; ++k) {
            low[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights[k] + j));
            high[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights[k] + j + 16));
        }
        StoreThirtyTwo(out + j, FourSixteen(in, j, low), FourSixteen(in, j + 16, high));
    }
    return j;
}
#endif

#ifdef __SSE2__
struct Quad
{
    __m128i v[4];
    const __m128i& operator[](size_t k) const { return v[k]; }
};

inline __m128i Load(const void* p)
{
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

inline __m128i FourTerms(__m128i values, __m128i weight)
{
    return _mm_mulhi_epi16(_mm_slli_epi16(values, 7), weight);
}

// Eight sums of four weighted bytes, unpacked to sixteen bits by unpack.
template <typename Unpack> inline __m128i FourHalf(Unpack unpack, const Quad& bytes, const Quad& weights)
{
    const __m128i sum01 =
        _mm_add_epi16(FourTerms(unpack(bytes[0]), weights[0]), FourTerms(unpack(bytes[1]), weights[1]));
    const __m128i sum23 =
        _mm_add_epi16(FourTerms(unpack(bytes[2]), weights[2]), FourTerms(unpack(bytes[3]), weights[3]));
    return _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(sum01, sum23), _mm_set1_epi16(kFourRound)), kFourShift);
}

inline __m128i UnpackLow(__m128i v)
{
    return _mm_unpacklo_epi8(v, _mm_setzero_si128());
}
inline __m128i UnpackHigh(__m128i v)
{
    return _mm_unpackhi_epi8(v, _mm_setzero_si128());
}
#endif

// The same four weights for every byte: a line.
struct LineWeights
{
    explicit LineWeights(const std::array<int, 4>& w) : weight(w)
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

// A weight for every byte.
struct ByteWeights
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

// out[j] = sum of weight_k * in_k[j] for byte j of four lines, from byte from on.
template <typename Weights>
void FourLinesFrom(uint8_t* out, const FourLines& in, const Weights& weights, int count, int from)
{
    int j = from;
#ifdef __SSE2__
    if (Use(BlendWay::Sse2)) {
        for (; j + 16 <= count; j += 16) {
            const Quad bytes = {{Load(in[0] + j), Load(in[1] + j), Load(in[2] + j), Load(in[3] + j)}};
            const __m128i low = FourHalf(UnpackLow, bytes, weights.Vector(j));
            const __m128i high = FourHalf(UnpackHigh, bytes, weights.Vector(j + 8));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm_packus_epi16(low, high));
        }
    }
#endif
    for (; j < count; ++j) {
        int sum = 0;
        for (size_t k = 0; k < 4; ++k)
            sum += FourTerm(weights.Scalar(k, j), in[k][j]);
        out[j] = FourResult(sum);
    }
}

} // namespace

void BlendLines(uint8_t* out, const uint8_t* const* rows, const int16_t* weight, int taps, int bytes)
{
    int x = 0;
#ifdef LISTORA_BLEND_AVX2
    if (Use(BlendWay::Avx2))
        x = BlendLinesAvx2(out, rows, weight, taps, bytes);
#endif
#ifdef __SSE2__
    if (Use(BlendWay::Sse2)) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i round = _mm_set1_epi32(kRound);
        for (; x + 16 <= bytes; x += 16) {
            __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
            for (int k = 0; k < taps; k += 2) {
                const __m128i a = Load(rows[k] + x);
                const __m128i b = Load(rows[k + 1] + x);
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
    }
#endif
    for (; x < bytes; ++x) {
        int sum = 0;
        for (int k = 0; k < taps; ++k)
            sum += weight[k] * rows[k][x];
        out[x] = ClampToByte(sum);
    }
}

void BlendPixels(uint8_t* out, const uint8_t* in, const int* indexes, const int16_t* weights, const int* used, int taps,
                 int pixels)
{
#ifdef __SSE2__
    const bool sse2 = Use(BlendWay::Sse2);
#endif
    for (int x = 0; x < pixels; ++x) {
        const int* index = indexes + size_t(x) * taps;
        const int16_t* weight = weights + size_t(x) * taps;
        const int count = used[x];
        uint8_t* px = out + x * 4;
#ifdef __SSE2__
        if (sse2) {
            const __m128i zero = _mm_setzero_si128();
            __m128i s = zero;
            for (int k = 0; k < count; k += 2) {
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
            continue;
        }
#endif
        for (int ch = 0; ch < 4; ++ch) {
            int sum = 0;
            for (int k = 0; k < count; ++k)
                sum += weight[k] * in[index[k] * 4 + ch];
            px[ch] = ClampToByte(sum);
        }
    }
}

void BlendFourLines(uint8_t* out, const FourLines& lines, const std::array<int, 4>& weights, int bytes)
{
    int done = 0;
#ifdef LISTORA_BLEND_AVX2
    if (Use(BlendWay::Avx2))
        done = FourLinesAvx2(out, lines, weights, bytes);
#endif
    FourLinesFrom(out, lines, LineWeights(weights), bytes, done);
}

void BlendFourLines(uint8_t* out, const FourLines& lines, const std::array<const int16_t*, 4>& weights, int bytes)
{
    int done = 0;
#ifdef LISTORA_BLEND_AVX2
    if (Use(BlendWay::Avx2))
        done = FourLinesAvx2(out, lines, weights, bytes);
#endif
    FourLinesFrom(out, lines, ByteWeights{weights}, bytes, done);
}

uint8_t BlendFour(const std::array<int, 4>& weights, const std::array<uint8_t, 4>& values)
{
    int sum = 0;
    for (size_t k = 0; k < 4; ++k)
        sum += FourTerm(weights[k], values[k]);
    return FourResult(sum);
}

BlendWay FastestBlendWay()
{
    static const BlendWay fastest = DetectWay();
    return fastest;
}

void LimitBlendWay(BlendWay way)
{
    CurrentWay().store(std::min(way, FastestBlendWay()), std::memory_order_relaxed);
}
