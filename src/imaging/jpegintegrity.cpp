#include "imaging/jpegintegrity.h"

#ifndef LISTORA_HAVE_LIBJPEG

JpegIntegrity CheckJpegIntegrity(const QString&)
{
    return JpegIntegrity::NotChecked;
}

#else

#include "imaging/imagelimits.h"

#include <QByteArray>
#include <QFile>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/jpegerrors.h"

namespace {

// Decodes only what tells whether every row has its data: at an eighth of the size, in grey, with
// the fastest transform. No object with a destructor lives in this frame across the setjmp.
JpegIntegrity CheckIntegrity(const uchar* data, qsizetype size)
{
    jpeg_decompress_struct cinfo;
    JpegErrorManager errors;
    InstallJpegErrors(reinterpret_cast<jpeg_common_struct*>(&cinfo), errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return JpegIntegrity::Damaged;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (qint64(cinfo.image_width) * qint64(cinfo.image_height) > kMaxImagePixels) {
        jpeg_destroy_decompress(&cinfo);
        return JpegIntegrity::NotChecked;
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.do_block_smoothing = FALSE;
    if (cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_GRAYSCALE)
        cinfo.out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(&cinfo);
    const size_t stride = size_t(cinfo.output_width) * size_t(cinfo.output_components);
    JSAMPARRAY row =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, JDIMENSION(stride), 1);
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, row, 1);
    jpeg_finish_decompress(&cinfo);
    const bool incomplete = IsJpegIncomplete(errors, cinfo.progressive_mode);
    jpeg_destroy_decompress(&cinfo);
    return incomplete ? JpegIntegrity::Damaged : JpegIntegrity::Complete;
}

} // namespace

JpegIntegrity CheckJpegIntegrity(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return JpegIntegrity::NotChecked;
    QByteArray bytes;
    const uchar* data = file.size() > 0 ? file.map(0, file.size()) : nullptr;
    if (!data) {
        bytes = file.readAll();
        data = reinterpret_cast<const uchar*>(bytes.constData());
    }
    return CheckIntegrity(data, bytes.isEmpty() ? file.size() : bytes.size());
}

#endif
