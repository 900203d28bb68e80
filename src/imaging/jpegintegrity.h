#pragma once

#include <QString>

enum class JpegIntegrity
{
    Complete,
    Damaged,   // the file ends early, or its scan holds fewer rows than its header promises
    NotChecked // not readable as a JPEG here (or built without libjpeg)
};

// Whether every row of a JPEG file has its data, as cheaply as a decode allows. Harmless warnings
// of camera files (stray bytes, a missing end marker after the last row) do not count.
JpegIntegrity CheckJpegIntegrity(const QString& path);
