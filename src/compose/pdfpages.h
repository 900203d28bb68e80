#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One PDF of the pages of several, in order: a two-sided card's front and back, each printed by the
// engine on its own. False, with a sentence in error, when one of them cannot be read.
bool JoinPdfPages(const QList<QByteArray>& documents, QByteArray& out, QString* error = nullptr);

// The number of pages of a PDF; 0 when it cannot be read.
int PdfPageCount(const QByteArray& pdf);

class QPDF;

// The document written out as PDF bytes, with an ID that depends only on its content (the same page
// gives the same file). Throws what QPDFWriter throws.
QByteArray PdfToMemory(QPDF& pdf);
