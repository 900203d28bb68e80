#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class CAppSettings;

// Writing the print-quality flyer: the vector PDF as it came from the browser engine, or, for a
// picture format, the page drawn at 300 dpi (2550 x 3300). Screen-quality export is flyerexport.h.

// Whether chosenPath gets the PDF (the same rule as the screen export: ".pdf" anywhere in the
// lower-cased path) or a picture.
bool PrintExportWantsPicture(const QString& chosenPath);

// Writes pdf, or picture by chosenPath's extension (JPEG at quality 100), to chosenPath; an existing
// file is replaced only by a complete new one. False, with a sentence for the user in error, when
// nothing was written.
bool WritePrintQualityFile(const QByteArray& pdf, const QImage& picture, const QString& chosenPath,
                           QString* error = nullptr);

// WritePrintQualityFile, then the folder of chosenPath stored as LastExportToPath and saved.
bool WritePrintQualityFile(CAppSettings& settings, const QByteArray& pdf, const QImage& picture,
                           const QString& chosenPath, QString* error = nullptr);

struct CFlyerMail;

// The print-quality PDF goes to the mail program only up to this size; above it, the picture PDF.
inline constexpr qint64 kMailPrintPdfLimit = 10LL * 1024 * 1024;

// Writes pdf as the mail's attachment (mail.attachmentPath), making the E-mailed folder when
// missing; an earlier PDF of that name is replaced only by a complete new one.
bool WriteMailPrintAttachment(const QByteArray& pdf, const CFlyerMail& mail, QString* error = nullptr);
