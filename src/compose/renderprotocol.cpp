#include "compose/renderprotocol.h"

#include <QtEndian>

namespace RenderProtocol {

namespace {

void PutU32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

QByteArray Header(quint32 a, quint32 b, quint32 c, quint32 d, quint32 e, quint32 f)
{
    QByteArray out;
    out.reserve(kHeaderBytes);
    for (quint32 v : {a, b, c, d, e, f})
        PutU32(out, v);
    return out;
}

} // namespace

bool IsValidSize(int width, int height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && qint64(width) * height <= kMaxPixels;
}

QByteArray EncodeRequest(const Request& request)
{
    QByteArray out = Header(kRequestMagic, request.id, quint32(request.width), quint32(request.height),
                            quint32(request.baseUrl.size()), quint32(request.page.size()));
    out.reserve(kHeaderBytes + request.baseUrl.size() + request.page.size());
    out.append(request.baseUrl);
    out.append(request.page);
    return out;
}

QByteArray EncodeReplyHeader(quint32 id, Status status, int width, int height, qint64 payloadBytes)
{
    return Header(kReplyMagic, id, status, quint32(width), quint32(height), quint32(payloadBytes));
}

void CFrameReader::Clear()
{
    m_buffer.clear();
    m_error.clear();
}

bool CFrameReader::TakeFrame(quint32 (&header)[6], QByteArray& body)
{
    if (HasError() || m_buffer.size() < kHeaderBytes)
        return false;
    for (int i = 0; i < 6; ++i)
        header[i] = qFromLittleEndian<quint32>(m_buffer.constData() + 4 * i);

    qint64 bodyBytes = 0;
    if (m_kind == Kind::Request) {
        if (header[0] != kRequestMagic) {
            m_error = QStringLiteral("bad request frame");
            return false;
        }
        bodyBytes = qint64(header[4]) + header[5];
        if (!IsValidSize(int(header[2]), int(header[3])) || header[2] > quint32(kMaxSide) ||
            header[3] > quint32(kMaxSide) || header[4] > 64 * 1024 || header[5] > kMaxPageBytes) {
            m_error = QStringLiteral("request frame out of bounds");
            return false;
        }
    } else {
        if (header[0] != kReplyMagic) {
            m_error = QStringLiteral("bad reply frame");
            return false;
        }
        bodyBytes = header[5];
        const bool ok = header[2] == Ok;
        if (header[2] > Failed || header[3] > quint32(kMaxSide) || header[4] > quint32(kMaxSide) ||
            (ok && (!IsValidSize(int(header[3]), int(header[4])) || bodyBytes < qint64(header[3]) * header[4] * 4 ||
                    bodyBytes > qint64(header[3]) * header[4] * 4 + kMaxReportBytes)) ||
            (!ok && bodyBytes > 64 * 1024)) {
            m_error = QStringLiteral("reply frame out of bounds");
            return false;
        }
    }
    if (m_buffer.size() < kHeaderBytes + bodyBytes)
        return false;
    body = m_buffer.mid(kHeaderBytes, bodyBytes);
    m_buffer.remove(0, kHeaderBytes + bodyBytes);
    return true;
}

bool CFrameReader::TakeRequest(Request& out)
{
    Q_ASSERT(m_kind == Kind::Request);
    quint32 header[6];
    QByteArray body;
    if (!TakeFrame(header, body))
        return false;
    out.id = header[1];
    out.width = int(header[2]);
    out.height = int(header[3]);
    out.baseUrl = body.left(header[4]);
    out.page = body.mid(header[4]);
    return true;
}

bool CFrameReader::TakeReply(Reply& out)
{
    Q_ASSERT(m_kind == Kind::Reply);
    quint32 header[6];
    QByteArray body;
    if (!TakeFrame(header, body))
        return false;
    out.id = header[1];
    out.status = Status(header[2]);
    out.width = int(header[3]);
    out.height = int(header[4]);
    out.payload = std::move(body);
    return true;
}

} // namespace RenderProtocol
