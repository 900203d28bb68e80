#pragma once

#include "output/flyermail.h" // HasMailClient, for the E-mail button

#include <QString>

class CAppSettings;
class CFlyerData;
class QImage;
class QPrinter;
class QWidget;

// The main window's Export, Print and E-mail commands. Each works on the flyer bitmap as it stands
// (null, or a null image, when the last render failed: the command then says so) and tells the
// user through the program's message box when something could not be done.

// Asks where to export and writes the flyer there as PDF, JPEG, PNG or BMP by the extension.
void ExportFlyer(QWidget* owner, CAppSettings& settings, const CFlyerData& flyer, const QImage* image);

// The save-file dialog of Export: the given start folder, default name and filter, ".pdf" as
// default extension, asking before it overwrites. True and the full path when the user confirms.
bool ChooseExportPath(QWidget* owner, QString& path, const QString& startFolder, const QString& defaultName,
                      const QString& filter);

// Asks for a printer and prints the flyer on one page, stretched over the printable area; then
// marks the project printed in the current theme, font and colour and saves it (when a project is
// open). Returns whether the record was marked printed.
bool PrintFlyer(QWidget* owner, CFlyerData& flyer, bool projectOpen, const QImage* image, const QString& theme,
                const QString& font, quint32 color);

// PrintFlyer after the print dialog, on a printer already chosen.
bool PrintFlyerOn(QPrinter& printer, CFlyerData& flyer, bool projectOpen, const QImage& image, const QString& theme,
                  const QString& font, quint32 color);

// Draws the flyer over the printer's printable area as one page named jobName. False when the
// document or the page could not be printed; the job is then aborted.
bool PrintFlyerPage(QPrinter& printer, const QImage& image, const QString& jobName);

// Keeps the flyer as a PDF in the project's E-mailed folder and opens the mail program's compose
// window with it attached, a subject and a body about the listing. The hand-off runs in the
// background; a mail program that cannot be started is reported when that becomes known.
void EmailFlyer(QWidget* owner, const CAppSettings& settings, const CFlyerData& flyer, const QImage* image);
