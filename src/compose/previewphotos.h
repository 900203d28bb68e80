#pragma once

#include <QString>

class CAppSettings;

// The preview flyer and the theme covers show the sample photos. The engine decodes every photo of
// every page it renders, and the full-size samples cost more than the rest of the page, so those
// pages use copies fitted the way a project's photos are (slot 1 into 600 x 600, the others into
// 500 x 500), made once in settings.Path2PreviewPhotos and made again when a sample changes.

// The file that stands for sample photo `fileName` in photo slot `slot` (1 to 4). The installed
// sample itself when no copy can be had (no cache folder, a read-only one, a sample that does not
// decode): the page then costs more but still shows the photo.
QString PreviewPhotoPath(const CAppSettings& settings, const QString& fileName, int slot);
