#pragma once

#include <QByteArray>
#include <QList>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <memory>

// A minimal PDF 1.3 writer: each baseline JPEG becomes one page (US Letter unless the document is
// given another size), its bytes stored unchanged as a DCTDecode image stream. Nothing is decoded;
// only the frame header is read for the size.

struct PdfPage;

struct PdfDocument
{
    PdfDocument();
    ~PdfDocument();
    Q_DISABLE_COPY_MOVE(PdfDocument)

    std::unique_ptr<PdfPage> firstPage;
    PdfPage* lastPage = nullptr;
    uint32_t pageCount = 0;
    QByteArray header;
    QByteArray trailer;
    QByteArray xrefEntries[1283]; // one 20-byte line per object number, 0 to 1282
    double pageWidth = 0;         // points
    double pageHeight = 0;
    int nextObject = 2;
    uint32_t length = 0;
    int imageCounter = 0;
};

inline constexpr uint32_t kPdfMaxPages = 256;
inline constexpr QSizeF kPdfLetterPoints(612, 792);

std::unique_ptr<PdfDocument> PdfCreate();
int PdfAddJpegImage(PdfDocument* doc, int width, int height, uint32_t count, const char* bytes);
void PdfAddJpegFile(PdfDocument* doc, const QString& path, qint64 count);
bool JpegGetSize(const unsigned char* bytes, qint64 count, int& width, int& height);
uint32_t PdfFinish(PdfDocument* doc);
// Copies the finished document into buffer when it is large enough; frees the document in every case.
int PdfWriteOut(std::unique_ptr<PdfDocument> doc, char* buffer, uint32_t& size);

// The whole conversion of one picture. Returns false when the PDF file could not be written; error
// then says why ("Disk full while accessing %1.").
// pagePoints: the page in points (a flyer picture of W x H pixels: W x 0.75 by H x 0.75).
bool ConvertJpegToPdf(const QString& jpegPath, const QString& pdfPath, QString* error = nullptr,
                      QSizeF pagePoints = kPdfLetterPoints);
// The same for a JPEG already in memory; name stands for its file in the progress report.
bool ConvertJpegDataToPdf(const QByteArray& jpeg, const QString& name, const QString& pdfPath, QString* error = nullptr,
                          QSizeF pagePoints = kPdfLetterPoints);
// One page per JPEG, in order, all of one size: a two-sided card's front and back.
bool ConvertJpegPagesToPdf(const QList<QByteArray>& jpegs, const QString& name, const QString& pdfPath,
                           QString* error = nullptr, QSizeF pagePoints = kPdfLetterPoints);
