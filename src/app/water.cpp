#include "app/water.h"

#include <algorithm>
#include <array>

// With SSE2 (every x86-64) the loops take four cells at a time; the plain loops finish each row
// and serve other processors. Both give the same numbers, bit for bit.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void CWaterRoutine::InitWater(int width, int height)
{
    m_nWidth = std::max(width, 0);
    m_nHeight = std::max(height, 0);
    const size_t cells = size_t(m_nWidth) * size_t(m_nHeight);
    m_heightA.assign(cells, 0);
    m_heightB.assign(cells, 0);
    m_nPage = 0;
}

void CWaterRoutine::StepWater(int page, int dampShift)
{
    const int w = m_nWidth;
    const int h = m_nHeight;
    if (w < 3 || h < 3)
        return;
    const int* in = page == 1 ? m_heightA.data() : m_heightB.data();
    int* out = page == 1 ? m_heightB.data() : m_heightA.data();
#if defined(__SSE2__)
    const __m128i shift = _mm_cvtsi32_si128(dampShift);
#endif
    for (int y = 1; y < h - 1; ++y) {
        const int* above = in + (y - 1) * w;
        const int* row = in + y * w;
        const int* below = in + (y + 1) * w;
        int* dst = out + y * w;
        int x = 1;
#if defined(__SSE2__)
        auto load = [](const int* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
        for (; x + 4 <= w - 1; x += 4) {
            const __m128i sum = _mm_add_epi32(_mm_add_epi32(_mm_add_epi32(load(above + x - 1), load(above + x)),
                                                            _mm_add_epi32(load(above + x + 1), load(row + x - 1))),
                                              _mm_add_epi32(_mm_add_epi32(load(row + x + 1), load(below + x - 1)),
                                                            _mm_add_epi32(load(below + x), load(below + x + 1))));
            const __m128i n = _mm_sub_epi32(_mm_srai_epi32(sum, 2), load(dst + x));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_sub_epi32(n, _mm_sra_epi32(n, shift)));
        }
#endif
        for (; x < w - 1; ++x) {
            const int sum = above[x - 1] + above[x] + above[x + 1] + row[x - 1] + row[x + 1] + below[x - 1] + below[x] +
                            below[x + 1];
            // >> on a negative int is arithmetic in C++20, which the damping relies on.
            const int n = (sum >> 2) - dst[x];
            dst[x] = n - (n >> dampShift);
        }
    }
}

void CWaterRoutine::DropBlob(int x, int y, int radius, int height, int page)
{
    const int w = m_nWidth;
    const int h = m_nHeight;
    if (w < 3 || h < 3 || radius <= 0)
        return;
    int* field = page == 1 ? m_heightB.data() : m_heightA.data();
    const int r2 = radius * radius;
    // Clip the disc's box to the interior first: the pointer may sit anywhere, even off the field.
    const int top = std::max(y - radius + 1, 1);
    const int bottom = std::min(y + radius - 1, h - 2);
    const int left = std::max(x - radius + 1, 1);
    const int right = std::min(x + radius - 1, w - 2);
    for (int row = top; row <= bottom; ++row) {
        const int j = row - y;
        for (int col = left; col <= right; ++col) {
            const int i = col - x;
            if (i * i + j * j < r2)
                field[row * w + col] += height;
        }
    }
}

namespace {

// kClamp[255 + v] is v clamped to 0..255, for v in -255..510: shading by a table, without branches.
constexpr auto kClamp = [] {
    std::array<quint8, 766> table{};
    for (int k = 0; k < 766; ++k)
        table[size_t(k)] = quint8(std::clamp(k - 255, 0, 255));
    return table;
}();

// The blue, green and red bytes of `pixel`, each less `delta` and clamped to 0..255.
inline quint32 ShadePixel(quint32 pixel, int delta)
{
    const quint8* shade = kClamp.data() + 255 - std::clamp(delta, -255, 255);
    return 0xff000000u | quint32(shade[(pixel >> 16) & 0xff]) << 16 | quint32(shade[(pixel >> 8) & 0xff]) << 8 |
           quint32(shade[pixel & 0xff]);
}

#if defined(__SSE2__)
// The same for four pixels at once, with saturating byte arithmetic.
inline __m128i ShadePixels(__m128i pixels, __m128i delta)
{
    // Signed 32 -> 16 -> unsigned 8 bits saturates to 0..255 on the way: max(delta, 0), max(-delta, 0).
    const __m128i darken16 = _mm_packs_epi32(delta, delta);
    const __m128i lighten16 = _mm_packs_epi32(_mm_sub_epi32(_mm_setzero_si128(), delta), delta);
    const __m128i darken8 = _mm_packus_epi16(darken16, darken16);
    const __m128i lighten8 = _mm_packus_epi16(lighten16, lighten16);
    // Each pixel's amount into its blue, green and red bytes, not the fourth.
    const __m128i colour = _mm_set1_epi32(0x00ffffff);
    const __m128i darken16x2 = _mm_unpacklo_epi8(darken8, darken8);
    const __m128i lighten16x2 = _mm_unpacklo_epi8(lighten8, lighten8);
    const __m128i darken = _mm_and_si128(_mm_unpacklo_epi16(darken16x2, darken16x2), colour);
    const __m128i lighten = _mm_and_si128(_mm_unpacklo_epi16(lighten16x2, lighten16x2), colour);
    const __m128i shaded = _mm_subs_epu8(_mm_adds_epu8(pixels, lighten), darken);
    return _mm_or_si128(shaded, _mm_set1_epi32(int(0xff000000u)));
}

// The low 32 bits of each lane's product; SSE2 has no such instruction of its own.
inline __m128i MulLo32(__m128i a, __m128i b)
{
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_si128(a, 4), _mm_srli_si128(b, 4));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}
#endif

} // namespace

void CWaterRoutine::RenderWater(const quint32* source, quint32* display) const
{
    const int w = m_nWidth;
    const int h = m_nHeight;
    if (w < 3 || h < 3)
        return;
    const int total = w * h;
#if defined(__SSE2__)
    const __m128i width = _mm_set1_epi32(w);
    const __m128i zero = _mm_setzero_si128();
    const __m128i end = _mm_set1_epi32(total);
    const __m128i lanes = _mm_setr_epi32(0, 1, 2, 3);
#endif
    for (int y = 1; y < h - 1; ++y) {
        const int* field = m_heightA.data() + y * w;
        const int* below = field + w; // the next row in the buffer
        const int rowStart = y * w;
        int x = 1;
#if defined(__SSE2__)
        // Four pixels at a time; only fetching the bent source pixels is done one by one.
        for (; x + 4 <= w - 1; x += 4) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(field + x));
            const __m128i dx = _mm_sub_epi32(here, _mm_loadu_si128(reinterpret_cast<const __m128i*>(field + x + 1)));
            const __m128i dy = _mm_sub_epi32(here, _mm_loadu_si128(reinterpret_cast<const __m128i*>(below + x)));
            const __m128i i = _mm_add_epi32(_mm_set1_epi32(rowStart + x), lanes);
            const __m128i j =
                _mm_add_epi32(_mm_add_epi32(i, MulLo32(_mm_srai_epi32(dy, 3), width)), _mm_srai_epi32(dx, 3));
            const __m128i inside = _mm_and_si128(_mm_cmpgt_epi32(j, zero), _mm_cmplt_epi32(j, end));
            alignas(16) int from[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(from),
                            _mm_or_si128(_mm_and_si128(inside, j), _mm_andnot_si128(inside, i)));
            const __m128i picked =
                _mm_setr_epi32(int(source[from[0]]), int(source[from[1]]), int(source[from[2]]), int(source[from[3]]));
            __m128i shaded = ShadePixels(picked, dx);
            __m128i* out = reinterpret_cast<__m128i*>(display + rowStart + x);
            // A pixel bent off the picture keeps what it showed.
            if (_mm_movemask_epi8(inside) != 0xffff)
                shaded = _mm_or_si128(_mm_and_si128(inside, shaded), _mm_andnot_si128(inside, _mm_loadu_si128(out)));
            _mm_storeu_si128(out, shaded);
        }
#endif
        for (; x < w - 1; ++x) {
            const int i = rowStart + x;
            const int dx = field[x] - field[x + 1];
            const int dy = field[x] - below[x];
            const int j = i + (dy >> 3) * w + (dx >> 3);
            if (j <= 0 || j >= total)
                continue;
            // Water rising to the right darkens by its slope; a flat cell copies its own pixel.
            display[i] = ShadePixel(source[j], dx);
        }
    }
}
