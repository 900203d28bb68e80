#pragma once

#include "compose/printphotos.h"
#include "flyer/flyerrequest.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class CAppSettings;
class CFlyerData;
class CXHTML2Image;

// The print-quality flyer: the browser engine's own vector PDF of the merged page (one Letter page,
// no margins, text as text), its photos from print copies of the originals.

// What makes one flyer: the request and its template, with the profile that fills it.
struct CXFlyerSource
{
    QString templateText;
    FlyerRequest request; // its look's template path: a folder the page may load from
    const CAppSettings* settings = nullptr;
    // Folders besides the page's own that the photos' originals may lie in (the spreadsheet's folder of
    // a batch, whose rows link to the photos it names).
    QStringList pictureRoots;
    // Where the print copies go; empty: the per-user cache (PrintCopyFolder).
    QString printCopyFolder;
    // Makes a print copy as MakePrintCopy does (the one used when empty): for callers whose copies
    // are thrown away with their flyer, and which make several flyers at once.
    std::function<QString(const QString& original, const CXPrintCopyPlan& plan, const QString& folder, QString* error)>
        makePrintCopy;
};

struct CXPrintPage
{
    QByteArray pdf;                    // empty when only the preflight or the picture was asked for
    QImage picture;                    // PrintPageWork::Picture's page
    QString page;                      // the merged page the PDF was printed from
    QList<CXPreflightEntry> preflight; // one entry per photo slot the page draws, in slot order
    CXFindings findings;               // photos left out or damaged (CheckFlyerPhotos)
    // What a print shop checks (text near the trim, text under 6 pt, edges that cannot continue into
    // the bleed): asked about before a press-ready export, named by the preflight.
    CXFindings pressFindings;
};

enum class PrintPageWork
{
    PreflightOnly, // lays the page out and measures its photos; makes no copies and no PDF
    Pdf,
    Press,          // the page on a sheet with the bleed around it, TrimBox and BleedBox set
    PressWithMarks, // and crop marks outside the bleed
    // The page as a picture of its own pixels (CXPrintPage::picture), its photos from copies of the
    // originals at one pixel per CSS pixel: a social picture's large frames are not filled from the
    // small screen copies. The front only.
    Picture
};

// A two-sided theme (request.backTemplatePath) gives two pages, front and back, each made so; the
// preflight then covers both.
// Lays the screen page out in the worker to learn where each photo is drawn, makes (or finds) the
// print copies, merges the page with them and has the worker print it. A photo whose copy cannot
// be made keeps its screen picture; one the page may not read is left out and named in findings. False, with a sentence
// in error, when no page could be made.
bool MakePrintPage(CXHTML2Image& renderer, const CXFlyerSource& source, PrintPageWork work, CXPrintPage& out,
                   QString* error = nullptr);

// Where the page draws each photo slot (index 0 is slot 1), whether or not the slot has a photo:
// an empty slot is measured with the blank picture in its place. A slot the theme does not show
// stays empty. False, with a sentence in error, when the page could not be laid out.
using CXSlotBoxes = std::array<std::optional<CXPictureBox>, 4>;
bool MeasurePhotoBoxes(CXHTML2Image& renderer, const CXFlyerSource& source, CXSlotBoxes& boxes,
                       QString* error = nullptr);

// The screen picture of a two-sided theme's back page (request.backTemplatePath) at the page's own
// pixels. Null, with a sentence in error, when the theme has no back or it could not be drawn.
QImage RenderBackPicture(CXHTML2Image& renderer, const CXFlyerSource& source, QString* error = nullptr);

// The page (0 the first) at dpi dots per inch, opaque (blank parts white). Null when pdf holds no
// such page.
QImage RasterisePrintPage(const QByteArray& pdf, double dpi, int pageIndex = 0);
// Every page of pdf so.
QList<QImage> RasterisePrintPages(const QByteArray& pdf, double dpi);

// The print-quality picture size: the Letter page at 300 dpi.
inline constexpr int kPrintPictureWidth = 2550;
inline constexpr int kPrintPictureHeight = 3300;
