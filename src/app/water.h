#pragma once

#include <QtGlobal>

#include <vector>

// The splash picture's ripple effect: a height field in two buffers that take turns being read
// and written, bending and shading a picture. Integer arithmetic only, and nothing is allocated
// after InitWater, because a frame runs every 20 ms on the GUI thread.
//
// Pixels are 32-bit 0xffRRGGBB values (QImage::Format_RGB32), row after row; the height field
// has the same rows as the pixels.
class CWaterRoutine
{
public:
    CWaterRoutine() = default;
    Q_DISABLE_COPY_MOVE(CWaterRoutine)

    // Sizes both height buffers to width x height, flat, and starts at page 0.
    void InitWater(int width, int height);
    // One step of the wave: page 1 reads buffer A and writes B, page 0 reads B and writes A.
    // Each step takes 1/2^dampShift of every value away. Border cells are never written.
    void StepWater(int page, int dampShift);
    // Raises a disc of the given radius by `height` around (x, y) in buffer B for page 1, else A;
    // border cells and cells outside the field are left alone.
    void DropBlob(int x, int y, int radius, int height, int page);
    // Draws the interior of `source` bent and shaded by buffer A into `display`; both hold
    // Width() x Height() pixels. A pixel whose bent position falls outside keeps its old value.
    void RenderWater(const quint32* source, quint32* display) const;

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    // Height buffer A (page 0) or B (page 1), Width() x Height() values.
    const int* HeightBuffer(int page) const { return page == 1 ? m_heightB.data() : m_heightA.data(); }

    int m_nPage = 0;      // the page the next step and blob use
    int m_nDampShift = 5; // each step removes 1/32 of every value
    bool m_bEnabled = true;

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<int> m_heightA;
    std::vector<int> m_heightB;
};
