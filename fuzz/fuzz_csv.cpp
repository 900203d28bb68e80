#include "formats/csvreader.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

// Any text as a listing spreadsheet. Records start on rising lines; a cell over the limit is
// kept empty and named, every other cell is read as it would be without a limit.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);
    constexpr qsizetype kSmall = 8;
    const QList<CsvRecord> whole = ParseCsv(text, text.size() + 1);
    const QList<CsvRecord> limited = ParseCsv(text, kSmall);
    Check(whole.size() == limited.size());
    int line = 0;
    for (qsizetype r = 0; r < whole.size(); ++r) {
        const CsvRecord& a = whole.at(r);
        const CsvRecord& b = limited.at(r);
        Check(a.line > line && a.line == b.line);
        line = a.line;
        Check(a.overlong.isEmpty());
        Check(a.error.isEmpty() == b.error.isEmpty());
        if (!a.error.isEmpty())
            continue;
        Check(a.cells.size() == b.cells.size());
        int last = -1;
        for (const int i : b.overlong) {
            Check(i > last && i < b.cells.size());
            last = i;
            Check(b.cells.at(i).isEmpty() && a.cells.at(i).size() > kSmall);
        }
        for (qsizetype i = 0; i < a.cells.size(); ++i) {
            if (!b.overlong.contains(int(i)))
                Check(a.cells.at(i) == b.cells.at(i) && a.cells.at(i).size() <= kSmall);
        }
    }
    return 0;
}
