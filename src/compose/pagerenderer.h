#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// What the merge and the cover maker need of the HTML renderer: a page in, a picture out.
class CXPageRenderer
{
public:
    virtual ~CXPageRenderer() = default;

    // Returns only when the page is laid out with its pictures and fonts, or has failed. On
    // success image is exactly width x height, 32-bit ARGB, opaque, the page drawn from its
    // top-left corner at 96 pixels per inch; on failure image is left as it was.
    virtual bool Render(const QString& page, int width, int height, QImage& image, QString* error = nullptr) = 0;

    // The folders below which the pages rendered from now on may load pictures, fonts and style
    // sheets (PageLoadRoots); nothing else loads, from anywhere.
    virtual void SetLoadRoots(const QStringList& roots) = 0;
};
