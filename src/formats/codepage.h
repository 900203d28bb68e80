#pragma once

#include <QByteArrayView>
#include <QString>

// The single-byte text of files that Windows programs wrote: Windows-1252, the Western code page.
// It differs from Latin-1 only in 0x80-0x9F; its five unassigned bytes there (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the C1 controls of the same value, as the system's own conversion makes them.
QString DecodeWindows1252(QByteArrayView bytes);

// Text files of unknown origin: UTF-8 when every byte sequence is valid UTF-8, otherwise
// Windows-1252. A sequence cut off by the end of the bytes is not valid UTF-8. usedWindows1252
// tells which one it was. Byte-order marks are the caller's business.
QString DecodeUtf8OrWindows1252(QByteArrayView bytes, bool* usedWindows1252 = nullptr);
