#include "compose/pressbox.h"
#include "compose/pdfpages.h"

#include <QLoggingCategory>

// qpdf 11 asks its users to say they are done with its old pointer type.
#define POINTERHOLDER_TRANSITION 4

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <exception>

Q_LOGGING_CATEGORY(lcPressBox, "listora.compose.pressbox", QtWarningMsg)

namespace PressBox {

namespace {

using Rect = QPDFObjectHandle::Rectangle;

Rect Grown(const Rect& r, double by)
{
    return Rect(r.llx - by, r.lly - by, r.urx + by, r.ury + by);
}

QByteArray Number(double value)
{
    return QByteArray::number(value, 'f', 3); // C locale, whatever the user's
}

void Line(QByteArray& out, double x1, double y1, double x2, double y2)
{
    out += Number(x1) + ' ' + Number(y1) + " m " + Number(x2) + ' ' + Number(y2) + " l S\n";
}

// Two short lines at each corner, along the trim's edges, beginning the offset outside the trim.
QByteArray CropMarks(const Rect& trim)
{
    QByteArray out = "q " + Number(kMarkLineWidthPoints) + " w 0 0 0 RG 0 J [] 0 d\n";
    const double near = kMarkOffsetPoints, far = kMarkOffsetPoints + kMarkLengthPoints;
    for (const double x : {trim.llx, trim.urx}) {
        const double out1 = x == trim.llx ? -1 : 1;
        for (const double y : {trim.lly, trim.ury}) {
            const double out2 = y == trim.lly ? -1 : 1;
            Line(out, x + out1 * near, y, x + out1 * far, y); // horizontal, level with the trim's edge
            Line(out, x, y + out2 * near, x, y + out2 * far); // vertical
        }
    }
    return out + "Q\n";
}

} // namespace

bool MakePressPdf(const QByteArray& sheet, bool marks, QByteArray& out, QString* error)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processMemoryFile("press sheet", sheet.constData(), size_t(sheet.size()));
        const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
        if (pages.empty())
            throw std::runtime_error("the sheet has no page");
        for (QPDFPageObjectHelper page : pages) {
            QPDFObjectHandle object = page.getObjectHandle();
            const Rect bleed = page.getMediaBox().getArrayAsRectangle();
            if (bleed.urx - bleed.llx <= 2 * kBleedPoints || bleed.ury - bleed.lly <= 2 * kBleedPoints)
                throw std::runtime_error("the sheet is smaller than its bleed");
            const Rect trim = Grown(bleed, -kBleedPoints);
            object.replaceKey("/TrimBox", QPDFObjectHandle::newArray(trim));
            object.replaceKey("/BleedBox", QPDFObjectHandle::newArray(bleed));
            // A box larger than the sheet would let a viewer or RIP show past the artwork.
            object.removeKey("/CropBox");
            object.removeKey("/ArtBox");
            if (!marks)
                continue;
            object.replaceKey("/MediaBox", QPDFObjectHandle::newArray(Grown(trim, kMarkMarginPoints)));
            // The page's own content may leave its drawing state changed; the marks start from a clean one.
            page.addPageContents(QPDFObjectHandle::newStream(&pdf, "q\n"), true);
            page.addPageContents(QPDFObjectHandle::newStream(&pdf, "Q\n" + CropMarks(trim).toStdString()), false);
        }
        out = PdfToMemory(pdf);
    } catch (const std::exception& e) {
        qCWarning(lcPressBox) << "press PDF:" << e.what();
        if (error)
            *error = QStringLiteral("The press-ready PDF could not be made: %1.").arg(QString::fromLocal8Bit(e.what()));
        return false;
    }
    if (error)
        error->clear();
    return true;
}

} // namespace PressBox
