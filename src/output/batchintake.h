#pragma once

#include "imaging/photointake.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class CFlyerData;

// The photo intake of one batch row, which keeps only what its flyer needs. Each photo becomes the
// slot's _photo0N.jpg as the project intake makes it (cropped, fitted into 600 or 500 pixels, JPEG at
// quality 100, 96 dpi), but a camera JPEG is decoded only as large as that copy needs, and no
// full-size copy is written: with linkOriginals, _original0N.jpg is a link to the chosen photo itself,
// from which the print copies are cut.

using BatchCrops = std::array<std::optional<QRect>, kPhotoSlots>;

// Takes in every slot of flyer whose path names a file, replacing the path by its _photo0N.jpg in
// folder. A slot that fails keeps its path and adds one line to errors; true when none failed.
bool TakeInRowPhotos(const QString& folder, CFlyerData& flyer, const BatchCrops& crops, bool linkOriginals,
                     QStringList* errors = nullptr);

struct CXPrintCopyPlan;

// The print copy of a batch row's photo, as MakePrintCopy makes it (cut to the part the page shows,
// reduced to at most 300 ppi, JPEG at quality 92) but decoded at the smallest scale that still
// gives the copy's size, into the row's own folder, where the flyers made at the same time never
// meet. Empty, with error set, when it cannot be made.
QString MakeBatchPrintCopy(const QString& original, const CXPrintCopyPlan& plan, const QString& folder,
                           QString* error = nullptr);
