#pragma once

#include <QImage>
#include <QString>

class CAppSettings;
class CFlyerData;

// Exporting the flyer bitmap as a PDF document or a JPEG, PNG or BMP picture. Every format is made
// from one intermediate JPEG of the framed flyer, so all of them show exactly the same picture.

// The save dialog's filter entries, in the order the user sees them, and its title.
QString ExportFilter();
QString ExportDialogTitle();
// "MLS - address - city line.pdf", with what a file name cannot hold replaced as in SafeFileName.
QString DefaultExportName(const CFlyerData& flyer);
// tempFolder/<project id>.jpg.
QString IntermediateJpegPath(const QString& tempFolder, const QString& projectId);
// A PDF is written whenever ".pdf" appears anywhere in the lower-cased path, folders included.
bool IsPdfExportPath(const QString& path);

enum class FlyerFrame
{
    AllSides, // export: one black pixel around the whole picture
    TopLeft   // e-mail: black along the top and left edges only
};
// The flyer drawn, scaled down by the frame, on an opaque black picture of its own size. A null
// flyer gives a null picture.
QImage FrameFlyer(const QImage& flyer, FlyerFrame frame);

// Writes picture as a quality-100 JPEG to path, creating the folder when missing.
bool SaveIntermediateJpeg(const QImage& picture, const QString& path, QString* error = nullptr);

// The whole export of one flyer to chosenPath: frame, intermediate JPEG in tempFolder, then the PDF
// or the picture by the path's extension. An existing file at chosenPath is replaced only by a
// complete new one. Returns false, with a sentence for the user in error, when nothing was written.
// back, a two-sided theme's back page, is the PDF's second page; pictures show the front.
// A social media page (square, story, link) is written at its exact pixels, without the frame, and
// never as a PDF (WriteSocialPicture).
bool ExportFlyerFile(const QImage& flyer, const QString& chosenPath, const QString& tempFolder,
                     const QString& projectId, QString* error = nullptr, const QImage& back = QImage());

// ExportFlyerFile for a project, then the folder of chosenPath stored as LastExportToPath and the
// settings saved (also after a failed write: the user chose that folder).
bool ExportFlyerFile(CAppSettings& settings, const CFlyerData& flyer, const QImage& image, const QString& chosenPath,
                     QString* error = nullptr, const QImage& back = QImage());
