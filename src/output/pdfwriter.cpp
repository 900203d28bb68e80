#include "output/pdfwriter.h"

#include "settings/diagnostics.h"
#include "formats/filewriter.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>
#include <cstring>

struct PdfPage
{
    std::unique_ptr<PdfPage> next;
    QByteArray data;
    int width = 0;
    int height = 0;
    int pageObject = 0;
    QByteArray before;
    QByteArray after;
};

namespace {

// Plain ASCII, at most 48 characters.
constexpr char kBanner[] = "Listora PDF writer 1.0";

QByteArray Format(const char* format, auto... args)
{
    const int needed = std::snprintf(nullptr, 0, format, args...);
    QByteArray text(needed, Qt::Uninitialized);
    std::snprintf(text.data(), static_cast<size_t>(needed) + 1, format, args...);
    return text;
}

// "%.2f" without the C library's locale: under de_DE snprintf writes "612,00", which no viewer reads.
QByteArray Fixed2(double value)
{
    return QByteArray::number(value, 'f', 2);
}

// A box side: whole points as integers (a Letter page stays "612 792"), others to the hundredth.
QByteArray BoxNumber(double value)
{
    const double whole = std::round(value);
    return std::abs(value - whole) < 0.005 ? QByteArray::number(qint64(whole)) : Fixed2(value);
}

// The writer's notes on each picture mean nothing to a user, who may have started the program
// from a terminal: they are debug output.
void StdOut(const QByteArray& text)
{
    if (!Diagnostics::Enabled())
        return;
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    std::fflush(stdout);
}

int Be16(const unsigned char* p)
{
    return (p[0] << 8) | p[1];
}

} // namespace

PdfDocument::PdfDocument() = default;

PdfDocument::~PdfDocument()
{
    // Unlink iteratively: a recursive chain of 256 unique_ptrs is fine, but there is no reason to recurse.
    std::unique_ptr<PdfPage> page = std::move(firstPage);
    while (page)
        page = std::move(page->next);
}

std::unique_ptr<PdfDocument> PdfCreate()
{
    auto doc = std::make_unique<PdfDocument>();
    doc->pageWidth = kPdfLetterPoints.width();
    doc->pageHeight = kPdfLetterPoints.height();
    doc->xrefEntries[0] = Format("%010d 65535 f\r\n", 0);
    doc->header = QByteArray("%PDF-1.3\r\n%\xFF") + kBanner + QByteArray("\xFF\r\n");
    doc->length = static_cast<uint32_t>(doc->header.size());
    doc->nextObject = 2;
    doc->imageCounter = 0;
    return doc;
}

int PdfAddJpegImage(PdfDocument* doc, int width, int height, uint32_t count, const char* bytes)
{
    if (!doc || doc->pageCount >= kPdfMaxPages)
        return 0;
    auto page = std::make_unique<PdfPage>();
    page->data = QByteArray(bytes, static_cast<qsizetype>(count));
    page->width = width;
    page->height = height;

    const int image = doc->nextObject;
    doc->xrefEntries[image] = Format("%010d 00000 %c\r\n", static_cast<int>(doc->length + 2), 'n');
    page->before = Format("\r\n%d 0 obj\r\n<</Type/XObject/Subtype/Image/Filter/DCTDecode/BitsPerComponent 8/"
                          "ColorSpace/%s/Width %d/Height %d/Length %d>>\r\nstream\r\n",
                          image, "DeviceRGB", width, height, static_cast<int>(count));
    doc->length += static_cast<uint32_t>(page->before.size()) + count;

    auto appendPart = [&](const QByteArray& part) {
        doc->xrefEntries[++doc->nextObject] = Format("%010d 00000 %c\r\n", static_cast<int>(doc->length), 'n');
        page->after += part;
        doc->length += static_cast<uint32_t>(part.size());
    };

    page->after = "\r\nendstream\r\nendobj\r\n";
    doc->length += static_cast<uint32_t>(page->after.size());

    const int pageObject = image + 1;
    const QByteArray content =
        Format("q\r\n1 0 0 1 %s %s cm\r\n%s 0 0 %s 0 0 cm\r\n/I%d Do\r\nQ\r\n", Fixed2(0.0).constData(),
               Fixed2(0.0).constData(), Fixed2(doc->pageWidth).constData(), Fixed2(doc->pageHeight).constData(),
               doc->imageCounter);
    appendPart(Format("%d 0 obj\r\n<</Type/Page/Parent 1 0 R/MediaBox[0 0 %s %s]/Contents %d 0 R/Resources %d 0 R>>"
                      "\r\nendobj\r\n",
                      pageObject, BoxNumber(doc->pageWidth).constData(), BoxNumber(doc->pageHeight).constData(),
                      pageObject + 1, pageObject + 3));
    appendPart(Format("%d 0 obj\r\n<</Length %d 0 R>>stream\r\n%sendstream\r\nendobj\r\n", pageObject + 1,
                      pageObject + 2, content.constData()));
    appendPart(Format("%d 0 obj\r\n%ld\r\nendobj\r\n", pageObject + 2, static_cast<long>(content.size())));
    appendPart(Format("%d 0 obj\r\n<</ProcSet[/PDF/%s]/XObject<</I%d %d 0 R>>>>\r\nendobj\r\n", pageObject + 3,
                      "ImageC", doc->imageCounter, image));
    page->pageObject = pageObject;

    doc->nextObject += 1;
    doc->imageCounter += 1;
    doc->pageCount += 1;
    PdfPage* raw = page.get();
    if (doc->lastPage)
        doc->lastPage->next = std::move(page);
    else
        doc->firstPage = std::move(page);
    doc->lastPage = raw;
    return 0;
}

bool JpegGetSize(const unsigned char* bytes, qint64 n, int& width, int& height)
{
    if (!bytes || n < 11)
        return false;
    if (bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF || bytes[3] != 0xE0)
        return false;
    if (bytes[6] != 'J' || bytes[7] != 'F' || bytes[8] != 'I' || bytes[9] != 'F' || bytes[10] != 0)
        return false;
    qint64 p = 4;
    qint64 segment = Be16(bytes + p);
    while (p < n) {
        p += segment;
        if (p + 1 >= n || bytes[p] != 0xFF)
            return false;
        if (bytes[p + 1] == 0xC0) {
            if (p + 8 >= n)
                return false;
            height = Be16(bytes + p + 5);
            width = Be16(bytes + p + 7);
            return true;
        }
        if (p + 3 >= n)
            return false;
        segment = Be16(bytes + p + 2);
        p += 2;
    }
    return false;
}

namespace {

void AddJpegData(PdfDocument* doc, const QByteArray& localPath, const QByteArray& data)
{
    int width = 0;
    int height = 0;
    if (JpegGetSize(reinterpret_cast<const unsigned char*>(data.constData()), data.size(), width, height)) {
        StdOut(Format("Adding %s (%dx%d) into PDF\n", localPath.constData(), width, height));
        PdfAddJpegImage(doc, width, height, static_cast<uint32_t>(data.size()), data.constData());
    } else {
        StdOut(Format("Warning: Can't obtain image dimension from %s. Skipped.\n", localPath.constData()));
    }
}

} // namespace

void PdfAddJpegFile(PdfDocument* doc, const QString& path, qint64 count)
{
    QByteArray data;
    QFile file(path);
    if (count > 0 && file.open(QIODevice::ReadOnly))
        data = file.read(count); // never more than the file holds, whatever count claims
    const QByteArray localPath = path.toLocal8Bit();
    if (data.size() < count)
        StdOut(Format("Warning: File %s should be %d Bytes. But only read in %d Bytes.\n", localPath.constData(),
                      static_cast<int>(count), static_cast<int>(data.size())));
    AddJpegData(doc, localPath, data);
}

uint32_t PdfFinish(PdfDocument* doc)
{
    if (!doc)
        return 0;
    QByteArray& out = doc->trailer;
    out.clear();
    const int catalog = doc->nextObject;
    auto append = [&](const QByteArray& text) {
        out += text;
        doc->length += static_cast<uint32_t>(text.size());
    };

    doc->xrefEntries[catalog] = Format("%010d 00000 %c\r\n", static_cast<int>(doc->length), 'n');
    append(Format("%d 0 obj\r\n<</Type/Catalog/Pages 1 0 R>>\r\nendobj\r\n", catalog));
    doc->xrefEntries[1] = Format("%010d 00000 %c\r\n", static_cast<int>(doc->length), 'n');
    QByteArray kids;
    for (const PdfPage* page = doc->firstPage.get(); page; page = page->next.get())
        kids += Format("%d 0 R ", page->pageObject);
    kids.chop(kids.endsWith(' ') ? 1 : 0);
    append(Format("1 0 obj\r\n<</Type /Pages /Kids [%s] /Count %d>>\r\nendobj\r\n", kids.constData(),
                  static_cast<int>(doc->pageCount)));
    const uint32_t xrefOffset = doc->length;
    append(Format("xref\r\n0 %d\r\n", catalog + 1));
    for (int object = 0; object <= catalog; ++object)
        append(doc->xrefEntries[object]);
    append(Format("trailer\r\n<</Root %d 0 R /Size %d>>\r\n", catalog, catalog + 1));
    append(Format("startxref\r\n%d\r\n%%%%EOF\r\n", static_cast<int>(xrefOffset)));

    const uint32_t fixed = static_cast<uint32_t>(doc->header.size() + doc->trailer.size());
    // A document without pages is no larger than its fixed parts and counts as a failure.
    if (doc->header.isEmpty() || doc->trailer.isEmpty() || doc->length <= fixed)
        return 0;
    return doc->length;
}

int PdfWriteOut(std::unique_ptr<PdfDocument> doc, char* buffer, uint32_t& size)
{
    if (!doc || !buffer || size < doc->length)
        return 0;
    char* out = buffer;
    auto put = [&](const QByteArray& bytes) {
        std::memcpy(out, bytes.constData(), static_cast<size_t>(bytes.size()));
        out += bytes.size();
    };
    put(doc->header);
    for (const PdfPage* page = doc->firstPage.get(); page; page = page->next.get()) {
        put(page->before);
        put(page->data);
        put(page->after);
    }
    put(doc->trailer);
    size = static_cast<uint32_t>(out - buffer);
    return 0;
}

namespace {

bool WritePdf(std::unique_ptr<PdfDocument> doc, const QString& pdfPath, QString* error)
{
    const uint32_t total = PdfFinish(doc.get());
    if (total == 0) {
        // the picture gave no page: say so rather than write an empty PDF
        if (error)
            *error = QStringLiteral("The flyer picture could not be put into %1.").arg(pdfPath);
        return false;
    }
    QByteArray buffer(static_cast<qsizetype>(total), Qt::Uninitialized);
    uint32_t size = total;
    PdfWriteOut(std::move(doc), buffer.data(), size);
    buffer.truncate(size);

    // Written whole or not at all: a failed export must not leave half a PDF over an older one.
    return CXFileWriter::WriteFile(pdfPath, buffer, error);
}

} // namespace

bool ConvertJpegToPdf(const QString& jpegPath, const QString& pdfPath, QString* error, QSizeF pagePoints)
{
    const qint64 fileSize = QFileInfo(jpegPath).size();
    std::unique_ptr<PdfDocument> doc = PdfCreate();
    doc->pageWidth = pagePoints.width();
    doc->pageHeight = pagePoints.height();
    PdfAddJpegFile(doc.get(), jpegPath, fileSize);
    return WritePdf(std::move(doc), pdfPath, error);
}

bool ConvertJpegDataToPdf(const QByteArray& jpeg, const QString& name, const QString& pdfPath, QString* error,
                          QSizeF pagePoints)
{
    std::unique_ptr<PdfDocument> doc = PdfCreate();
    doc->pageWidth = pagePoints.width();
    doc->pageHeight = pagePoints.height();
    AddJpegData(doc.get(), name.toLocal8Bit(), jpeg);
    return WritePdf(std::move(doc), pdfPath, error);
}

bool ConvertJpegPagesToPdf(const QList<QByteArray>& jpegs, const QString& name, const QString& pdfPath, QString* error,
                           QSizeF pagePoints)
{
    std::unique_ptr<PdfDocument> doc = PdfCreate();
    doc->pageWidth = pagePoints.width();
    doc->pageHeight = pagePoints.height();
    for (const QByteArray& jpeg : jpegs)
        AddJpegData(doc.get(), name.toLocal8Bit(), jpeg);
    return WritePdf(std::move(doc), pdfPath, error);
}
