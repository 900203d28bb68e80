#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

enum class JpegStreamResult
{
    Done,
    Failed,        // a file could not be made; error says why
    NotApplicable, // nothing was written: take the general way
};

// Takes one JPEG photo in while it is being decoded: the reduction into a boxSize square follows
// the decoder row by row, and the full-size copy is the source's own bytes, once the decode has
// found every row of them. Both files come back as bytes for the caller to put in place together;
// reducedPath only names the copy in messages. Only for JPEGs in RGB or grey that need no turning
// (EXIF orientation 1 or none); any other picture, and any failure before the first row, gives
// NotApplicable. Without libjpeg at build time it is always NotApplicable.
JpegStreamResult StreamJpegIntake(const QString& source, const QString& reducedPath, int boxSize,
                                  QByteArray* originalBytes, QByteArray* reducedBytes, QString* error);

// Rows pass from the thread that makes them (a decoder, the export's frame) to the encoder thread
// through a ring of rows, as through a pipe: the whole picture never sits in memory, and the maker
// waits when the encoder falls a ring behind.
class RowRing
{
public:
    RowRing(int width, int capacity)
        : m_stride(qsizetype(width) * 4), m_capacity(capacity), m_buffer(size_t(m_stride) * size_t(capacity))
    {
    }
    uint8_t* Row(int row) { return m_buffer.data() + (row % m_capacity) * m_stride; }
    int Capacity() const { return m_capacity; }

    // Decoder: waits until rows before `end` may be written; false when the encoder gave up.
    bool WaitForRoom(int end)
    {
        std::unique_lock lock(m_mutex);
        m_roomChanged.wait(lock, [&] { return end - m_capacity <= m_encoded || m_abandoned; });
        return !m_abandoned;
    }
    void Publish(int decoded)
    {
        {
            std::lock_guard lock(m_mutex);
            m_decoded = decoded;
        }
        m_rowsChanged.notify_one();
    }
    // Encoder: waits until more than `have` rows are decoded; -1 when the decoder gave up.
    int WaitBeyond(int have)
    {
        std::unique_lock lock(m_mutex);
        m_rowsChanged.wait(lock, [&] { return m_decoded > have || m_abandoned; });
        return m_abandoned ? -1 : m_decoded;
    }
    void Consumed(int encoded)
    {
        {
            std::lock_guard lock(m_mutex);
            m_encoded = encoded;
        }
        m_roomChanged.notify_one();
    }
    void Abandon()
    {
        {
            std::lock_guard lock(m_mutex);
            m_abandoned = true;
        }
        m_rowsChanged.notify_all();
        m_roomChanged.notify_all();
    }

private:
    qsizetype m_stride;
    int m_capacity;
    std::vector<uint8_t> m_buffer;
    std::mutex m_mutex;
    std::condition_variable m_rowsChanged;
    std::condition_variable m_roomChanged;
    int m_decoded = 0;
    int m_encoded = 0;
    bool m_abandoned = false;
};

// True when EncodeJpegRing can work: the program was built with libjpeg.
bool CanEncodeJpegRing();

// Encodes a picture whose Format_RGB32 rows another thread writes into ring (WaitForRoom before a
// row, Publish after) as a JPEG at quality into out, as the rows arrive. On failure it abandons
// the ring, so that the writer stops, and error says why.
bool EncodeJpegRing(RowRing& ring, const QSize& size, const QSize& dotsPerMeter, int quality, QByteArray* out,
                    QString* error);
