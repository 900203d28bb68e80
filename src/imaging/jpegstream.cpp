#include "imaging/jpegstream.h"

#ifndef LISTORA_HAVE_LIBJPEG

JpegStreamResult StreamJpegIntake(const QString&, const QString&, int, QByteArray*, QByteArray*, QString*)
{
    return JpegStreamResult::NotApplicable;
}

bool CanEncodeJpegRing()
{
    return false;
}

bool EncodeJpegRing(RowRing& ring, const QSize&, const QSize&, int, QByteArray*, QString* error)
{
    ring.Abandon();
    if (error)
        *error = QStringLiteral("built without libjpeg");
    return false;
}

#else

#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/jpegerrors.h"

namespace {

// QImage::Format_RGB32 encoded with X, which libjpeg ignores.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kEncodeSpace = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kEncodeSpace = JCS_EXT_XRGB;
#endif

constexpr int kRowBatch = 16;

// Collects the encoded file in a QByteArray that outlives the encoder's setjmp frame. (libjpeg's
// own memory destination reports its buffer only once finished, so an aborted encode could neither
// free it nor avoid freeing it twice.)
struct ByteArrayDestination
{
    jpeg_destination_mgr pub;
    QByteArray* bytes = nullptr;
};

bool GrowOutput(ByteArrayDestination* dest, qsizetype size)
{
    try {
        dest->bytes->resize(size);
        return true;
    } catch (...) {
        return false;
    }
}

void InitDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<ByteArrayDestination*>(cinfo->dest);
    if (!GrowOutput(dest, 1 << 20))
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(dest->bytes->data());
    dest->pub.free_in_buffer = size_t(dest->bytes->size());
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<ByteArrayDestination*>(cinfo->dest);
    const qsizetype used = dest->bytes->size();
    if (!GrowOutput(dest, used * 2))
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(dest->bytes->data()) + used;
    dest->pub.free_in_buffer = size_t(dest->bytes->size() - used);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<ByteArrayDestination*>(cinfo->dest);
    dest->bytes->truncate(dest->bytes->size() - qsizetype(dest->pub.free_in_buffer));
}

// What one encode writes: the rows' size, the JFIF resolution and an optional colour profile.
struct EncodeJob
{
    RowRing* ring = nullptr;
    QSize size;
    int quality = 100;
    QSize dotsPerInch;
    QByteArray icc;
    ByteArrayDestination destination;
    bool ok = false;
    char message[JMSG_LENGTH_MAX] = {}; // empty when the writer gave up first
};

void PrepareDestination(EncodeJob& job, QByteArray* out)
{
    job.destination.pub = {};
    job.destination.pub.init_destination = InitDestination;
    job.destination.pub.empty_output_buffer = EmptyOutputBuffer;
    job.destination.pub.term_destination = TermDestination;
    job.destination.bytes = out;
}

// Encodes the rows as they come in. On a libjpeg failure it abandons the ring, so that the writer
// stops. No object with a destructor lives in this frame across the setjmp.
void EncodeRing(EncodeJob* job)
{
    jpeg_compress_struct cinfo;
    JpegErrorManager errors;
    InstallJpegErrors(reinterpret_cast<jpeg_common_struct*>(&cinfo), errors);
    if (setjmp(errors.jump)) {
        std::snprintf(job->message, sizeof job->message, "%s", errors.message);
        jpeg_destroy_compress(&cinfo);
        job->ring->Abandon();
        return;
    }
    jpeg_create_compress(&cinfo);
    cinfo.dest = &job->destination.pub;
    cinfo.image_width = JDIMENSION(job->size.width());
    cinfo.image_height = JDIMENSION(job->size.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = kEncodeSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, job->quality, TRUE);
    cinfo.write_JFIF_header = TRUE;
    cinfo.density_unit = 1;
    cinfo.X_density = UINT16(job->dotsPerInch.width());
    cinfo.Y_density = UINT16(job->dotsPerInch.height());
    jpeg_start_compress(&cinfo, TRUE);
    if (!job->icc.isEmpty())
        jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET*>(job->icc.constData()),
                               unsigned(job->icc.size()));
    JSAMPROW rows[kRowBatch];
    while (cinfo.next_scanline < cinfo.image_height) {
        const int available = job->ring->WaitBeyond(int(cinfo.next_scanline));
        if (available < 0) {
            jpeg_destroy_compress(&cinfo);
            return;
        }
        while (int(cinfo.next_scanline) < available) {
            const int first = int(cinfo.next_scanline);
            const int count = std::min(kRowBatch, available - first);
            for (int k = 0; k < count; ++k)
                rows[k] = job->ring->Row(first + k);
            // libjpeg copies the rows it is given, so their ring slots are free again at once.
            jpeg_write_scanlines(&cinfo, rows, JDIMENSION(count));
            job->ring->Consumed(int(cinfo.next_scanline));
        }
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    job->ok = true;
}

struct DecodeJob
{
    const uchar* data = nullptr;
    qsizetype size = 0;
    // Called once the size is known; returns the ring the rows go to, or null to stop.
    std::function<RowRing*(int width, int height)> prepare;
    std::function<void(int rows)> rowsDone;
    QByteArray icc; // kept here, not in DecodeRows' frame, which a libjpeg error leaves by longjmp
    bool started = false;
    bool damaged = false; // decoded to the end, but rows had no data
    char message[JMSG_LENGTH_MAX] = {};
};

enum class DecodeOutcome
{
    Done,
    NotApplicable,
    Failed
};

// As EncodeRing: only plain data in this frame across the setjmp.
DecodeOutcome DecodeRows(DecodeJob* job)
{
    jpeg_decompress_struct cinfo;
    JpegErrorManager errors;
    InstallJpegErrors(reinterpret_cast<jpeg_common_struct*>(&cinfo), errors);
    if (setjmp(errors.jump)) {
        std::snprintf(job->message, sizeof job->message, "%s", errors.message);
        jpeg_destroy_decompress(&cinfo);
        return job->started ? DecodeOutcome::Failed : DecodeOutcome::NotApplicable;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, job->data, static_cast<unsigned long>(job->size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF); // ICC profile
    jpeg_read_header(&cinfo, TRUE);
    const bool plainColours = cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_GRAYSCALE ||
                              cinfo.jpeg_color_space == JCS_RGB;
    if (!plainColours || qint64(cinfo.image_width) * qint64(cinfo.image_height) > kMaxImagePixels) {
        jpeg_destroy_decompress(&cinfo);
        return DecodeOutcome::NotApplicable;
    }
    JOCTET* iccData = nullptr;
    unsigned int iccLength = 0;
    if (jpeg_read_icc_profile(&cinfo, &iccData, &iccLength)) {
        job->icc = QByteArray(reinterpret_cast<const char*>(iccData), qsizetype(iccLength));
        std::free(iccData);
    }
    cinfo.out_color_space = kJpegDecodeSpace;
    jpeg_start_decompress(&cinfo);
    RowRing* ring = job->prepare(int(cinfo.output_width), int(cinfo.output_height));
    if (!ring) {
        jpeg_destroy_decompress(&cinfo);
        return DecodeOutcome::NotApplicable;
    }
    job->started = true;
    JSAMPROW rows[kRowBatch];
    while (cinfo.output_scanline < cinfo.output_height) {
        const int first = int(cinfo.output_scanline);
        const int count = std::min(kRowBatch, int(cinfo.output_height) - first);
        if (!ring->WaitForRoom(first + count)) {
            std::snprintf(job->message, sizeof job->message, "the encoder stopped");
            jpeg_destroy_decompress(&cinfo);
            return DecodeOutcome::Failed;
        }
        for (int k = 0; k < count; ++k)
            rows[k] = ring->Row(first + k);
        jpeg_read_scanlines(&cinfo, rows, JDIMENSION(count));
        job->rowsDone(int(cinfo.output_scanline));
    }
    jpeg_finish_decompress(&cinfo);
    const bool incomplete = IsJpegIncomplete(errors, cinfo.progressive_mode);
    jpeg_destroy_decompress(&cinfo);
    if (incomplete) {
        job->damaged = true;
        return DecodeOutcome::Failed;
    }
    return DecodeOutcome::Done;
}

} // namespace

JpegStreamResult StreamJpegIntake(const QString& source, const QString& reducedPath, int boxSize,
                                  QByteArray* originalBytes, QByteArray* reducedBytes, QString* error)
{
    {
        QImageReader probe(source);
        if (probe.format() != "jpeg" || probe.transformation() != QImageIOHandler::TransformationNone)
            return JpegStreamResult::NotApplicable;
    }
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return JpegStreamResult::NotApplicable;
    QByteArray bytes;
    const uchar* data = file.size() > 0 ? file.map(0, file.size()) : nullptr;
    if (!data) {
        bytes = file.readAll();
        data = reinterpret_cast<const uchar*>(bytes.constData());
    }

    std::unique_ptr<RowRing> ring;
    std::unique_ptr<CXBicubicReducer> reducer;
    int window = 0;

    DecodeJob decode;
    decode.data = data;
    decode.size = bytes.isEmpty() ? file.size() : bytes.size();
    decode.prepare = [&](int width, int height) -> RowRing* {
        const QSize reducedSize = ResizeProportionally(width, height, QRect(0, 0, boxSize, boxSize));
        reducer = std::make_unique<CXBicubicReducer>(QSize(width, height), QImage::Format_RGB32, reducedSize,
                                                     [&ring](int row) -> const uint8_t* { return ring->Row(row); });
        // Room for the rows the reduction still reads and the batch being decoded.
        window = reducer->RowWindow();
        ring = std::make_unique<RowRing>(width, std::max(256, window + 4 * kRowBatch));
        return ring.get();
    };
    decode.rowsDone = [&](int rows) {
        ring->Publish(rows);
        reducer->RowsAvailable(rows);
        // The reduction is the ring's only reader: what lies behind its window may be written over.
        ring->Consumed(std::max(0, rows - window));
    };

    const DecodeOutcome outcome = DecodeRows(&decode);
    if (outcome != DecodeOutcome::Done) {
        if (ring)
            ring->Abandon();
        if (outcome == DecodeOutcome::NotApplicable)
            return JpegStreamResult::NotApplicable;
        if (error && decode.damaged) {
            *error = DamagedPictureText(QDir::toNativeSeparators(source));
        } else if (error) {
            *error = QStringLiteral("%1 cannot be read as a picture (%2)")
                         .arg(QDir::toNativeSeparators(source), QString::fromLocal8Bit(decode.message));
        }
        return JpegStreamResult::Failed;
    }

    QImage reduced = reducer->Finish();
    if (!decode.icc.isEmpty())
        reduced.setColorSpace(QColorSpace::fromIccProfile(decode.icc));
    QString why;
    const bool ok =
        EncodeConvertedImage(reduced, kImageTypeJpeg, reducedPath, false, 0, kImageTypeJpeg, true, reducedBytes, &why);
    // The camera's own file, whole and upright, is the best full-size copy there is: encoding it again
    // at quality 100 only doubled its size and lost a little.
    if (ok)
        *originalBytes =
            bytes.isEmpty() ? QByteArray(reinterpret_cast<const char*>(data), qsizetype(file.size())) : bytes;
    if (!ok && error)
        *error = why;
    return ok ? JpegStreamResult::Done : JpegStreamResult::Failed;
}

bool CanEncodeJpegRing()
{
    return true;
}

bool EncodeJpegRing(RowRing& ring, const QSize& size, const QSize& dotsPerMeter, int quality, QByteArray* out,
                    QString* error)
{
    EncodeJob job;
    PrepareDestination(job, out);
    job.ring = &ring;
    job.size = size;
    job.quality = quality;
    // The resolution Qt's writer would store, so a decoded copy reports the same size in inches.
    job.dotsPerInch = QSize(std::clamp(qRound(dotsPerMeter.width() * 0.0254), 1, 65535),
                            std::clamp(qRound(dotsPerMeter.height() * 0.0254), 1, 65535));
    EncodeRing(&job);
    if (job.ok)
        return true;
    ring.Abandon();
    out->clear();
    if (error)
        *error = job.message[0] ? QString::fromLocal8Bit(job.message) : QStringLiteral("the picture was not finished");
    return false;
}

#endif
