#pragma once

#include <QByteArray>
#include <QIODevice>

#include <algorithm>

// Bytes from memory behind a device that, like a pipe, knows no size and hands them out a few at a
// time, so that a reader's path for sequential devices and every piece boundary in it are taken.
class CXPipeDevice : public QIODevice
{
public:
    explicit CXPipeDevice(const QByteArray& bytes, qint64 piece = 7) : m_bytes(bytes), m_nPiece(piece)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = std::min({maxSize, qint64(m_bytes.size()) - m_nPos, m_nPiece});
        std::copy_n(m_bytes.constData() + m_nPos, n, data);
        m_nPos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_nPiece;
    qint64 m_nPos = 0;
};
