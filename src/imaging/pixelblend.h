#pragma once

#include <array>
#include <cstdint>

// The inner loops of the resamplers: weighted sums of pixel lines, byte by byte. They use AVX2 where
// the processor has it (asked once, for every caller) and SSE2 otherwise; every way gives the same
// bytes. Weights are fixed point, 16384 being one.

// out[x] = the sum of weights[k] * lines[k][x] over taps lines (an even number), in 32-bit sums: exact
// for any number of taps.
void BlendLines(uint8_t* out, const uint8_t* const* lines, const int16_t* weights, int taps, int bytes);

// For each of pixels target pixels, four bytes of out: the weighted sum of the pixels of line at
// index[k], used[i] of them (an even number) for pixel i; index and weights hold taps entries a pixel.
void BlendPixels(uint8_t* out, const uint8_t* line, const int* index, const int16_t* weights, const int* used, int taps,
                 int pixels);

// Four lines in sixteen bits: each byte is shifted up by 7 and multiplied by its weight keeping the
// high half, so each product is the value in 1/32 units and four of them cannot overflow. About twice
// the speed of BlendLines; flat areas still come out exact, since the weights add up to one.
using FourLines = std::array<const uint8_t*, 4>;
// One weight for every byte of a line.
void BlendFourLines(uint8_t* out, const FourLines& lines, const std::array<int, 4>& weights, int bytes);
// A weight for every byte.
void BlendFourLines(uint8_t* out, const FourLines& lines, const std::array<const int16_t*, 4>& weights, int bytes);
// One byte the way BlendFourLines makes it.
uint8_t BlendFour(const std::array<int, 4>& weights, const std::array<uint8_t, 4>& values);

// Which instructions the loops use: the best the processor has, or less where a test asks for it.
enum class BlendWay
{
    Plain,
    Sse2,
    Avx2
};
BlendWay FastestBlendWay();
void LimitBlendWay(BlendWay way);
