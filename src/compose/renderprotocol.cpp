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

namespace {

// A print request's page: width in the low 16 bits, height in the high ones (sides up to kMaxSide).
quint32 PrintPageField(int width, int height)
{
    if (!IsValidSize(width, height))
        return 0;
    return quint32(width) | quint32(height) << 16;
}

} // namespace

QByteArray EncodeRequest(const Request& request)
{
    QByteArray roots;
    for (const QString& root : request.loadRoots) {
        if (root.isEmpty() || root.contains(QChar(0)))
            continue; // a zero byte ends a root; such a path cannot name a folder anyway
        roots.append(root.toUtf8());
        roots.append('\0');
    }
    const bool print = request.print != PrintMode::None;
    QByteArray out = Header(print ? kPrintRequestMagic : kRequestMagic, request.id,
                            print ? quint32(request.print) : quint32(request.width),
                            print ? PrintPageField(request.width, request.height) : quint32(request.height),
                            quint32(request.baseUrl.size()), quint32(request.page.size()));
    PutU32(out, quint32(roots.size()));
    out.reserve(kRequestHeaderBytes + request.baseUrl.size() + request.page.size() + roots.size());
    out.append(request.baseUrl);
    out.append(request.page);
    out.append(roots);
    return out;
}

QByteArray EncodeDrop(quint32 id)
{
    QByteArray out = Header(kDropMagic, id, 0, 0, 0, 0);
    PutU32(out, 0);
    return out;
}

QByteArray EncodeReplyHeader(quint32 id, Status status, int width, int height, qint64 payloadBytes)
{
    return Header(kReplyMagic, id, status, quint32(width), quint32(height), quint32(payloadBytes));
}

QByteArray EncodePrintReplyHeader(quint32 id, Status status, PrintMode mode, qint64 layoutBytes, qint64 pdfBytes)
{
    return Header(kPrintReplyMagic, id, status, quint32(mode), quint32(layoutBytes), quint32(pdfBytes));
}

namespace {

bool IsPrintMode(quint32 mode)
{
    return mode == quint32(PrintMode::Layout) || mode == quint32(PrintMode::Pdf) || mode == quint32(PrintMode::Press);
}

} // namespace

void CFrameReader::Clear()
{
    m_buffer.clear();
    m_error.clear();
}

bool CFrameReader::TakeFrame(quint32 (&header)[7], QByteArray& body)
{
    const int headerBytes = m_kind == Kind::Request ? kRequestHeaderBytes : kHeaderBytes;
    if (HasError() || m_buffer.size() < headerBytes)
        return false;
    for (int i = 0; i < headerBytes / 4; ++i)
        header[i] = qFromLittleEndian<quint32>(m_buffer.constData() + 4 * i);

    qint64 bodyBytes = 0;
    if (m_kind == Kind::Request && header[0] == kDropMagic) {
        if (header[2] || header[3] || header[4] || header[5] || header[6]) {
            m_error = QStringLiteral("drop frame out of bounds");
            return false;
        }
    } else if (m_kind == Kind::Request && header[0] == kPrintRequestMagic) {
        bodyBytes = qint64(header[4]) + header[5] + header[6];
        const bool pageOk = header[3] == 0 || IsValidSize(int(header[3] & 0xFFFFu), int(header[3] >> 16));
        if (!IsPrintMode(header[2]) || !pageOk || header[4] > 64 * 1024 || header[5] > kMaxPageBytes ||
            header[6] > kMaxRootsBytes) {
            m_error = QStringLiteral("print request frame out of bounds");
            return false;
        }
    } else if (m_kind == Kind::Reply && header[0] == kPrintReplyMagic) {
        bodyBytes = qint64(header[4]) + header[5];
        if (header[2] > Failed || !IsPrintMode(header[3]) || header[4] > kMaxLayoutBytes || header[5] > kMaxPdfBytes ||
            (header[2] != Ok && header[5] != 0)) {
            m_error = QStringLiteral("print reply frame out of bounds");
            return false;
        }
    } else if (m_kind == Kind::Request) {
        if (header[0] != kRequestMagic) {
            m_error = QStringLiteral("bad request frame");
            return false;
        }
        bodyBytes = qint64(header[4]) + header[5] + header[6];
        if (!IsValidSize(int(header[2]), int(header[3])) || header[2] > quint32(kMaxSide) ||
            header[3] > quint32(kMaxSide) || header[4] > 64 * 1024 || header[5] > kMaxPageBytes ||
            header[6] > kMaxRootsBytes) {
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
        if (header[2] > Dropped || header[3] > quint32(kMaxSide) || header[4] > quint32(kMaxSide) ||
            (ok && (!IsValidSize(int(header[3]), int(header[4])) || bodyBytes < qint64(header[3]) * header[4] * 4 ||
                    bodyBytes > qint64(header[3]) * header[4] * 4 + kMaxReportBytes)) ||
            (!ok && bodyBytes > 64 * 1024)) {
            m_error = QStringLiteral("reply frame out of bounds");
            return false;
        }
    }
    if (m_buffer.size() < headerBytes + bodyBytes)
        return false;
    body = m_buffer.mid(headerBytes, bodyBytes);
    m_buffer.remove(0, headerBytes + bodyBytes);
    return true;
}

bool CFrameReader::TakeRequest(Request& out)
{
    Q_ASSERT(m_kind == Kind::Request);
    quint32 header[7];
    QByteArray body;
    if (!TakeFrame(header, body))
        return false;
    out = Request();
    out.id = header[1];
    if (header[0] == kDropMagic) {
        out.drop = true;
        return true;
    }
    if (header[0] == kPrintRequestMagic) {
        out.print = PrintMode(header[2]);
        out.width = int(header[3] & 0xFFFFu);
        out.height = int(header[3] >> 16);
    } else {
        out.width = int(header[2]);
        out.height = int(header[3]);
    }
    out.baseUrl = body.left(header[4]);
    out.page = body.mid(header[4], header[5]);
    const QByteArray roots = body.mid(qsizetype(header[4]) + header[5]);
    for (const QByteArray& root : roots.split('\0')) {
        if (!root.isEmpty())
            out.loadRoots.append(QString::fromUtf8(root));
    }
    return true;
}

bool CFrameReader::TakeReply(Reply& out)
{
    Q_ASSERT(m_kind == Kind::Reply);
    quint32 header[7];
    QByteArray body;
    if (!TakeFrame(header, body))
        return false;
    out = Reply();
    out.id = header[1];
    out.status = Status(header[2]);
    if (header[0] == kPrintReplyMagic) {
        out.print = PrintMode(header[3]);
        out.layout = body.left(header[4]);
        out.payload = body.mid(header[4]);
        if (out.status != Ok)
            std::swap(out.layout, out.payload); // the reason, as for a picture
        return true;
    }
    out.width = int(header[3]);
    out.height = int(header[4]);
    out.payload = std::move(body);
    return true;
}

} // namespace RenderProtocol
