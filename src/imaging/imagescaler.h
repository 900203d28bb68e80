#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>

// Bicubic resampling (Keys, a = -0.5) whose kernel widens with the reduction factor, so a large
// reduction averages every source pixel instead of skipping most of them as plain bicubic
// interpolation does. Works on opaque (RGB32) or premultiplied pictures; other formats are
// converted first. Returns a picture of exactly the requested size, or a null picture when the size
// is empty or the source null.
QImage ScaleBicubic(const QImage& source, const QSize& size);

// The same reduction for a picture whose rows arrive in order, as a decoder produces them: each
// RowsAvailable runs the row pass as far as those rows allow, so it overlaps the decoding; Finish
// completes it. Pixels are RGB32 or premultiplied ARGB32.
class CXBicubicReducer
{
public:
    using RowSource = std::function<const uint8_t*(int row)>;

    // A whole picture, which must outlive the reducer.
    CXBicubicReducer(const QImage& source, const QSize& size);
    // Rows read through rowAt, which must keep each row readable while it is at or after
    // OldestRowNeeded(); a buffer of RowWindow() rows plus the rows being decoded is enough.
    CXBicubicReducer(const QSize& sourceSize, QImage::Format format, const QSize& size, RowSource rowAt);
    ~CXBicubicReducer();
    Q_DISABLE_COPY_MOVE(CXBicubicReducer)

    void RowsAvailable(int rows);
    int OldestRowNeeded() const;
    int RowWindow() const;
    QImage Finish(); // null when a size is empty or memory ran out

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// A reduction by a pixel or two, as a frame around a picture makes: a plain four-tap bicubic, which is
// what the widened one above comes to for a factor this close to one, at a fraction of its time. The
// source is read as premultiplied pixels and each row comes out as it shows over black, opaque
// (RGB32). Rows are made in order: rowAt(row) gives where the row's pixels go (null: stop), and
// rowDone(row) follows once they are there.
void ShrinkSlightly(const QImage& source, const QSize& size, const std::function<uint8_t*(int row)>& rowAt,
                    const std::function<void(int row)>& rowDone);
