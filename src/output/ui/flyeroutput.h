#pragma once

#include "compose/render/printpage.h"
#include "output/flyermail.h" // HasMailClient, for the E-mail button

#include <QList>
#include <QSize>
#include <QString>

#include <functional>

class CAppSettings;
class CFlyerData;
class QImage;
class QPrinter;
class QWidget;

// The main window's Export, Print and E-mail commands. Each works on the flyer bitmap as it stands
// (null, or a null image, when the last render failed: the command then says so) and tells the
// user through the program's message box when something could not be done.

// Makes the print-quality page of the flyer on show (the main window's renderer and merge). Without
// one, the commands work on the screen picture alone.
using PrintPageFn = std::function<bool(PrintPageWork work, CXPrintPage& page, QString* error)>;

// The screen picture of a two-sided theme's back page; unset for a theme of one page.
using BackPictureFn = std::function<QImage()>;

// Asks where to export and writes the flyer there as PDF, JPEG, PNG or BMP by the extension; with
// the print-quality file type, the vector page (or a 300 dpi picture), after the preflight. A
// two-sided theme's PDFs hold the back as their second page; a social media picture is offered
// as JPEG and PNG only.
void ExportFlyer(QWidget* owner, CAppSettings& settings, const CFlyerData& flyer, const QImage* image,
                 const PrintPageFn& printPage = {}, const BackPictureFn& backPicture = {});

// The save dialog's filter, print-quality PDF, press-ready PDF and 300 ppi pictures (2550 x 3300,
// "(print size)") included, and the entry to select first: the one last used when it is still offered, else the
// print-quality PDF.
QStringList ExportFilters();
// The file types Export offers for a page: a social media picture (square, story, link) is a JPEG
// or PNG at its exact pixels; every other page gets ExportFilters.
QStringList ExportFiltersFor(QSize page);
QString PrintQualityPdfFilter();
// The press-ready PDF: the print-quality page on a sheet with the bleed, with or without crop marks.
QString PressPdfFilter();
QStringList PrintSizePictureFilters();
bool IsPrintQualityFilter(const QString& filter);
QString InitialExportFilter(const CAppSettings& settings);

// Shows the preflight's warning, if any, as a Yes/No question ending in question. True when
// nothing is to be said or the user goes on. Advertising rules that are only warnings (the agent
// switched the rules off) are not asked about; the note under the flyer names them.
bool ConfirmPreflight(QWidget* owner, const QList<CXPreflightEntry>& entries, const QString& question,
                      const CXFindings& findings = {});

// The advertising-rule findings of the flyer on show, as a few lines along the bottom of the canvas
// (hidden when there are none).
void ShowFindingsNote(QWidget* canvas, const CXFindings& findings);

// The save-file dialog of Export: the given start folder, default name and filter, ".pdf" as
// default extension, asking before it overwrites. True and the full path when the user confirms.
// With cropMarks, the dialog has an "Add crop marks" check box for the press-ready type, set from
// and read back into it.
bool ChooseExportPath(QWidget* owner, QString& path, const QString& startFolder, const QString& defaultName,
                      const QString& filter, QString* selectedFilter = nullptr, bool* cropMarks = nullptr);

// The flyer's pages (a two-sided theme's front and back) drawn for a printer of dpi dots per inch;
// empty when they cannot be had.
using PrintPictureFn = std::function<QList<QImage>(double dpi)>;

// Warns about photos too coarse for print (when printPage is given), asks for a printer and prints
// the flyer on one page, fitted to the printable area and centred, at the printer's resolution;
// then marks the project printed in the current theme, font and colour and saves it (when a
// project is open). Returns whether the record was marked printed.
bool PrintFlyer(QWidget* owner, CFlyerData& flyer, bool projectOpen, const QImage* image, const QString& theme,
                const QString& font, quint32 color, const PrintPageFn& printPage = {});

// PrintFlyer after the print dialog, on a printer already chosen. printPicture gives the pages at
// the printer's resolution (300 to 600 dpi); without it, or when it fails, the screen picture
// image is printed (the front alone).
bool PrintFlyerOn(QPrinter& printer, CFlyerData& flyer, bool projectOpen, const QImage& image, const QString& theme,
                  const QString& font, quint32 color, const PrintPictureFn& printPicture = {});

// The resolution the print-quality picture is drawn at for printer: its own, kept within 300 to 600 dpi.
double PrintPictureDpi(const QPrinter& printer);

// Turns the sheet to the flyer's shape (landscape for a wide page) before the print dialog shows it.
void MatchFlyerOrientation(QPrinter& printer, QSize flyer);

// Draws the flyer, fitted to the printer's printable area by one factor and centred, as one page
// named jobName. False when the document or the page could not be printed; the job is then aborted.
bool PrintFlyerPage(QPrinter& printer, const QImage& image, const QString& jobName);
// Draws each picture on a sheet of its own where PrintPageRect puts a flyer page of page (CSS
// pixels): a postcard at its actual size, centred, its back on the second sheet. A Letter flyer of
// one page goes through PrintFlyerPage.
bool PrintFlyerPages(QPrinter& printer, const QList<QImage>& pictures, QSize page, const QString& jobName);

// Keeps the flyer as a PDF in the project's E-mailed folder and opens the mail program's compose
// window with it attached, a subject and a body about the listing. The hand-off runs in the
// background; a mail program that cannot be started is reported when that becomes known.
// With printPage, the attachment is the print-quality PDF when it is at most 10 MB. listingUrl,
// the listing's web address, goes into the body when there is one.
void EmailFlyer(QWidget* owner, const CAppSettings& settings, const CFlyerData& flyer, const QImage* image,
                const PrintPageFn& printPage = {}, const QString& listingUrl = QString());
