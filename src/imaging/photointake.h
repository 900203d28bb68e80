#pragma once

#include "formats/filewriter.h"

#include <QString>
#include <QStringList>

#include <array>

class CFlyerData;

// The photo intake: photos chosen for a flyer project are never used in place. Each slot's photo
// becomes _original0N.jpg (the whole picture) and _photo0N.jpg (fitted into 600 x 600 for slot 1,
// 500 x 500 for the others) in the project folder, both JPEG at quality 100 and 96 dpi.

inline constexpr int kPhotoSlots = 4;

QString OriginalPhotoName(int slot); // "_original01.jpg" for slot 1
QString ReducedPhotoName(int slot);  // "_photo01.jpg" for slot 1
int PhotoBoxSize(int slot);          // 600 for slot 1, 500 for the others

// paths[0..3] are the photos of slots 1-4. A slot whose path names no file is left alone; every
// other slot is taken in and its path replaced by its _photo0N.jpg. A slot that fails keeps its
// path and adds one line to errors. Returns true when no slot failed. A slot's two files replace
// its old pair together or not at all; Scratch durability is for folders thrown away afterwards
// (batch rows), where waiting for the disk buys nothing.
bool ProcessPhotos(const QString& folder, std::array<QString, kPhotoSlots>& paths, QStringList* errors = nullptr,
                   CXFileWriter::Durability durability = CXFileWriter::Durability::Synced);

// The same for a project record: its four photo paths in and out; the reserved bytes stay.
bool ProcessPhotos(const QString& folder, CFlyerData& data, QStringList* errors = nullptr,
                   CXFileWriter::Durability durability = CXFileWriter::Durability::Synced);
