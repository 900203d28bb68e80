#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

#include "compose/findings.h"

#include <array>

class CAppSettings;
class CFlyerData;
class CXPageLoadPolicy;

// Photos of the print-quality page. The screen flyer shows the project's reduced photos (600 or
// 500 pixels); on paper they would print at under 100 ppi. The print page names copies made from
// the full-size originals instead: cut to exactly the part the page shows and reduced to at most
// 300 ppi at the size the page draws them, kept in the per-user cache and made again when the
// original changes.

inline constexpr double kPrintPpi = 300.0;     // no print copy is finer than this
inline constexpr double kPreflightPpi = 150.0; // a photo coarser than this is worth a warning
inline constexpr double kCssPixelsPerInch = 96.0;

// A picture of the laid-out page as the render worker measured it: the box its content is drawn
// into, in CSS pixels from the page's top-left corner, and its CSS object-fit.
struct CXPictureBox
{
    QString url;
    QRectF box;
    QString fit;
    bool shown = true;
};

// The worker's JSON answer; entries that are no objects or lack a size are left out.
QList<CXPictureBox> ParsePictureLayout(const QByteArray& json);

// Where the original of source (width x height pixels) lands in a box drawn with fit.
struct CXPrintCopyPlan
{
    QRect crop;       // the part of the original the page shows (object-fit: cover cuts the rest)
    QSize size;       // the print copy: crop reduced to at most kPrintPpi, never enlarged
    double ppi = 0;   // the original's effective resolution on paper
    QSizeF boxInches; // the box in inches
};
CXPrintCopyPlan PlanPrintCopy(const QSize& source, const QSizeF& boxCssPixels, const QString& fit);

// One photo slot of a flyer: the picture the screen flyer shows and the original it comes from.
struct CXPhotoSlot
{
    int slot = 0;     // 1 to 4
    QString screen;   // the file the screen flyer's token names (empty: the slot has no photo)
    QString original; // the full-size picture behind it
};
// Project: _original0N.jpg beside the project, or the slot's _photo0N.jpg when it is missing.
// Preview: the installed sample photos.
std::array<CXPhotoSlot, 4> FlyerPhotoSlots(bool projectMode, const CFlyerData& flyer, const CAppSettings& settings);

// What keeps a flyer's photos from showing as chosen, one finding per slot, in slot order: a file
// the page may not read ("photo-outside": the flyer is made without it) or one that is damaged, no
// picture or too large to open ("photo-damaged"). With originals set, the full-size pictures behind
// the photos are checked as well, for the outputs that print from them. Both are errors.
inline constexpr char kRulePhotoOutside[] = "photo-outside";
inline constexpr char kRulePhotoDamaged[] = "photo-damaged";
CXFindings CheckFlyerPhotos(const std::array<CXPhotoSlot, 4>& slots, const CXPageLoadPolicy& policy, bool originals);
// The same for a project's flyer drawn from templatePath, against the page's own folders (the
// preview shows only the installed samples and finds nothing).
CXFindings CheckProjectPhotos(bool projectMode, const CFlyerData& flyer, const CAppSettings& settings,
                              const QString& templatePath, bool originals);

// The agent's picture and logo are measured and printed like photos, under slots of their own.
inline constexpr int kPictureSlot = 5;
inline constexpr int kLogoSlot = 6;
// "1" to "4", "picture", "logo": the slot as the preflight names it.
QString SlotName(int slot);
// "Photo 2", "Your picture", "Your logo".
QString SlotWords(int slot);

// The URL that marks slot's photo in a layout page, so the worker's answer names its slot.
QString SlotMarkedUrl(const QString& file, int slot);
// The slot a marked URL stands for, or 0.
int SlotOfUrl(const QString& url);

// The largest box the page draws the slot's photo in; false when the page does not show it.
bool FindSlotBox(const QList<CXPictureBox>& boxes, int slot, CXPictureBox& found);

// Per-user cache folder of the print copies: files the program can make again at any time. The
// copies are of the user's own photos, so the folder is the user's alone (0700, files 0600).
QString PrintCopyFolder();

// The print copy of original as plan says, from folder: made when missing, found again while the
// original is unchanged (its path, size and time are part of the name). Empty, with error set,
// when the original cannot be read or the copy cannot be written.
QString MakePrintCopy(const QString& original, const CXPrintCopyPlan& plan, const QString& folder,
                      QString* error = nullptr);

// One line of the preflight.
struct CXPreflightEntry
{
    int slot = 0;
    QSize source;
    QSizeF boxInches;
    double ppi = 0;
    bool ok = true;
};

// The preflight of one slot: the original's size against the box it is drawn in.
CXPreflightEntry PreflightFor(int slot, const QSize& source, const CXPictureBox& box);
// The original behind a photo file of slot: a project's _original0N.jpg beside its _photo0N.jpg,
// else the file itself (a photo just chosen is full size).
QString OriginalOfPhoto(const QString& photo, int slot);

// "Prints at 110 ppi in this theme: small for print."
QString PreflightNote(const CXPreflightEntry& entry);
// "Photo 2 will print at 110 ppi ... Print anyway?" naming every entry that is not ok, ending in
// the given question; empty when all are ok.
QString PreflightQuestion(const QList<CXPreflightEntry>& entries, const QString& question);
