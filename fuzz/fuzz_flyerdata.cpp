// The project file reader on any bytes: it must never crash, read outside its input or allocate
// what the input only claims. Whatever it reads whole must survive a write and a read unchanged,
// and a pipe-like device must give the same answer as a file.
#include "flyer/flyerdata.h"

#include "../tests/formats/pipedevice.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

FlyerFileStatus ReadFrom(QIODevice& device, CFlyerData& record)
{
    return record.Read(device, QStringLiteral("fuzz.lso"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Raw data: an over-read of the input is caught by the address sanitizer.
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    CFlyerData record;
    const FlyerFileStatus status = ReadFrom(file, record);
    if (status.IsOk() != status.text.isEmpty() || status.kind == FlyerFileStatus::OpenFailed ||
        status.kind == FlyerFileStatus::WriteFailed)
        std::abort();

    CXPipeDevice pipe(bytes);
    CFlyerData piped;
    if (ReadFrom(pipe, piped).kind != status.kind || !(piped == record))
        std::abort();

    if (status.IsOk()) {
        QByteArray written = record.Serialize();
        QBuffer again(&written);
        again.open(QIODevice::ReadOnly);
        CFlyerData back;
        if (!ReadFrom(again, back).IsOk() || !(back == record) || again.pos() != written.size() ||
            back.Serialize() != written)
            std::abort();
    }
    return 0;
}
