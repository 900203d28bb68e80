#pragma once

// What the libjpeg readers and writers of this folder share: the error manager that jumps back
// instead of letting libjpeg exit(), and the decode layout of QImage::Format_RGB32. Include after
// jpeglib.h and jerror.h, in files built with libjpeg.

#include <QtGlobal>

#include <csetjmp>

// QImage::Format_RGB32 in memory. Decoded with an alpha byte, which libjpeg-turbo sets to 255,
// where its X byte would be left undefined.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
inline constexpr J_COLOR_SPACE kJpegDecodeSpace = JCS_EXT_BGRA;
#else
inline constexpr J_COLOR_SPACE kJpegDecodeSpace = JCS_EXT_ARGB;
#endif

struct JpegErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool dataMissing; // the scan ended before the rows that were read
    bool fileEnded;   // the file ended without its end marker
};

// libjpeg reports fatal errors through a callback that must not return.
inline void OnJpegError(j_common_ptr cinfo)
{
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings are not fatal: most (stray bytes, an unknown marker) are harmless in camera files. Those
// that say rows have no data are noted; the decoder would paint such rows grey.
inline void OnJpegMessage(j_common_ptr cinfo, int level)
{
    if (level != -1)
        return;
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    if (cinfo->err->msg_code == JWRN_HIT_MARKER)
        manager->dataMissing = true;
    else if (cinfo->err->msg_code == JWRN_JPEG_EOF)
        manager->fileEnded = true;
}

inline void InstallJpegErrors(jpeg_common_struct* cinfo, JpegErrorManager& manager)
{
    cinfo->err = jpeg_std_error(&manager.pub);
    manager.pub.error_exit = OnJpegError;
    manager.pub.emit_message = OnJpegMessage;
    manager.message[0] = '\0';
    manager.dataMissing = false;
    manager.fileEnded = false;
}

// A baseline file that only lacks its end marker still holds every row; a progressive one that
// ends early has lost the scans that would have finished it.
inline bool IsJpegIncomplete(const JpegErrorManager& manager, bool progressive)
{
    return manager.dataMissing || (manager.fileEnded && progressive);
}
