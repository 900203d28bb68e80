#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Frames exchanged between the renderer's client and its worker process over the worker's
// standard input and output. Every integer is a little-endian 32-bit value.
//   request: magic "LRQ2", id, width, height, base URL length, page length, roots length,
//            base URL, page (UTF-8), roots (UTF-8 folder paths, each ended by a zero byte)
//   reply:   magic "LRS1", id, status, width, height, payload length, payload
// A successful reply carries width x height x 4 bytes of ARGB32 pixels, rows tightly packed,
// then the page's text-fit report (UTF-8 JSON, may be empty); a failed one carries the reason.
// The print-quality page has frames of its own:
//   request: magic "LRP2", id, mode, page (width | height << 16, CSS pixels), base URL length,
//            page length, roots length, then as above
//   reply:   magic "LPS1", id, status, mode, layout length, PDF length, layout (JSON), PDF
// Mode Layout answers with the pictures' boxes only, mode Pdf with the boxes and the one-page PDF,
// mode Press with the boxes and the page on its bleed sheet.
// A failed print reply carries the reason as its layout text and no PDF.
//   drop:    magic "LRX1", id, then five zeros: the picture request with that id is given up if its
//            page is still loading; it is then answered with status Dropped and no payload, and
//            otherwise answered as usual.
namespace RenderProtocol {

constexpr quint32 kRequestMagic = 0x3251524C; // "LRQ2"
constexpr quint32 kReplyMagic = 0x3153524C;   // "LRS1"
constexpr int kMaxSide = 8192;
constexpr qint64 kMaxPixels = 32LL * 1024 * 1024;
constexpr qint64 kMaxPageBytes = 256LL * 1024 * 1024;
constexpr int kHeaderBytes = 24;        // a reply's header
constexpr int kRequestHeaderBytes = 28; // a request's header
constexpr qint64 kMaxRootsBytes = 256 * 1024;
constexpr quint32 kPrintRequestMagic = 0x3250524C; // "LRP2"
constexpr quint32 kPrintReplyMagic = 0x3153504C;   // "LPS1"
constexpr quint32 kDropMagic = 0x3158524C;         // "LRX1"
constexpr qint64 kMaxLayoutBytes = 1024 * 1024;
constexpr qint64 kMaxPdfBytes = 256LL * 1024 * 1024;

enum class PrintMode : quint32
{
    None = 0,   // a picture request
    Layout = 1, // the boxes of the page's pictures
    Pdf = 2,    // the boxes and the vector page
    Press = 3   // the boxes and the vector page on a sheet with the bleed around it
};
constexpr qint64 kMaxReportBytes = 1024 * 1024;

enum Status : quint32
{
    Ok = 0,
    Failed = 1,
    Dropped = 2
};

struct Request
{
    quint32 id = 0;
    int width = 0;
    int height = 0;
    QByteArray baseUrl; // UTF-8
    QByteArray page;    // UTF-8
    // The folders below which the page may load pictures, fonts and style sheets.
    QStringList loadRoots;
    PrintMode print = PrintMode::None;
    bool drop = false; // gives up the request with this id instead of asking for a page
};

struct Reply
{
    quint32 id = 0;
    Status status = Failed;
    int width = 0;
    int height = 0;
    QByteArray payload; // pixels, the PDF of a print reply, or the reason of a failure
    PrintMode print = PrintMode::None;
    QByteArray layout; // a print reply's boxes as JSON
};

bool IsValidSize(int width, int height);

QByteArray EncodeRequest(const Request& request);
QByteArray EncodeDrop(quint32 id);
QByteArray EncodeReplyHeader(quint32 id, Status status, int width, int height, qint64 payloadBytes);
QByteArray EncodePrintReplyHeader(quint32 id, Status status, PrintMode mode, qint64 layoutBytes, qint64 pdfBytes);

// Collects bytes as they arrive and cuts them into frames. A frame that breaks the format
// (wrong magic, impossible size) puts the reader into an error state for good: the stream
// cannot be resynchronised, so the owner restarts the other side.
class CFrameReader
{
public:
    enum class Kind
    {
        Request,
        Reply
    };
    explicit CFrameReader(Kind kind) : m_kind(kind) {}

    void Append(const QByteArray& bytes) { m_buffer.append(bytes); }
    // True when a whole frame was taken; false when more bytes are needed or on error.
    bool TakeRequest(Request& out);
    bool TakeReply(Reply& out);
    bool HasError() const { return !m_error.isEmpty(); }
    QString Error() const { return m_error; }
    qsizetype Buffered() const { return m_buffer.size(); }
    void Clear();

private:
    bool TakeFrame(quint32 (&header)[7], QByteArray& body);

    Kind m_kind;
    QByteArray m_buffer;
    QString m_error;
};

} // namespace RenderProtocol
