#include "compose/pdfpages.h"

#include <QLoggingCategory>

// qpdf 11 asks its users to say they are done with its old pointer type.
#define POINTERHOLDER_TRANSITION 4

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <memory>
#include <vector>

Q_LOGGING_CATEGORY(lcPdfPages, "listora.compose.pdfpages", QtWarningMsg)

bool JoinPdfPages(const QList<QByteArray>& documents, QByteArray& out, QString* error)
{
    try {
        if (documents.isEmpty())
            throw std::runtime_error("there are no pages");
        // Every source must outlive the writer: the joined pages still refer to their objects.
        std::vector<std::unique_ptr<QPDF>> sources;
        QPDF joined;
        joined.setSuppressWarnings(true);
        joined.emptyPDF();
        QPDFPageDocumentHelper target(joined);
        for (const QByteArray& document : documents) {
            auto source = std::make_unique<QPDF>();
            source->setSuppressWarnings(true);
            source->processMemoryFile("page", document.constData(), size_t(document.size()));
            const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*source).getAllPages();
            if (pages.empty())
                throw std::runtime_error("a page is missing");
            for (const QPDFPageObjectHelper& page : pages)
                target.addPage(page, false);
            sources.push_back(std::move(source));
        }
        out = PdfToMemory(joined);
    } catch (const std::exception& e) {
        qCWarning(lcPdfPages) << "joining pages:" << e.what();
        if (error)
            *error =
                QStringLiteral("The pages could not be put into one PDF: %1.").arg(QString::fromLocal8Bit(e.what()));
        return false;
    }
    if (error)
        error->clear();
    return true;
}

int PdfPageCount(const QByteArray& pdf)
{
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("count", pdf.constData(), size_t(pdf.size()));
        return int(QPDFPageDocumentHelper(document).getAllPages().size());
    } catch (const std::exception&) {
        return 0;
    }
}

QByteArray PdfToMemory(QPDF& pdf)
{
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.setDeterministicID(true);
    writer.write();
    const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()), qsizetype(buffer->getSize()));
}
