#include "formats/csvreader.h"

#include "formats/codepage.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

// A listing spreadsheet of this size would hold far more rows than anyone makes flyers for; a
// bigger file is most likely the wrong one, and is not read into memory whole.
constexpr qint64 kMaxCsvBytes = 64 * 1024 * 1024;

bool IsLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

class CsvParser
{
public:
    CsvParser(const QString& text, qsizetype maxCell)
        : m_text(text), m_lastQuote(text.lastIndexOf(QLatin1Char('"'))), m_maxCell(maxCell)
    {
    }

    bool Next(CsvRecord& record)
    {
        if (m_pos >= m_text.size())
            return false;
        const qsizetype start = m_pos;
        const int startLine = m_line;
        record = ReadRecord();
        record.line = startLine;
        if (!record.error.isEmpty()) {
            // Go on at the next line: rows that an unbalanced quote ran into are read again.
            m_pos = start;
            while (m_pos < m_text.size() && !IsLineBreak(m_text.at(m_pos)))
                ++m_pos;
            SkipLineBreak();
            m_line = startLine + 1;
        }
        return true;
    }

    QList<CsvRecord> Run()
    {
        QList<CsvRecord> records;
        CsvRecord record;
        while (Next(record))
            records.append(std::move(record));
        return records;
    }

private:
    QChar At(qsizetype i) const { return i < m_text.size() ? m_text.at(i) : QChar(); }

    // Steps over one line break (CR LF counts as one) and counts it.
    bool SkipLineBreak()
    {
        if (m_pos >= m_text.size() || !IsLineBreak(m_text.at(m_pos)))
            return false;
        if (m_text.at(m_pos) == QLatin1Char('\r') && At(m_pos + 1) == QLatin1Char('\n'))
            ++m_pos;
        ++m_pos;
        ++m_line;
        return true;
    }

    CsvRecord ReadRecord()
    {
        CsvRecord record;
        for (;;) {
            const int column = int(record.cells.size()) + 1;
            QString cell;
            bool overlong = false;
            if (At(m_pos) == QLatin1Char('"')) {
                if (!ReadQuoted(cell, overlong)) {
                    record.error =
                        QStringLiteral("the quoted cell %1 is never closed (a double quote is missing)").arg(column);
                    return record;
                }
                if (m_pos < m_text.size() && m_text.at(m_pos) != QLatin1Char(',') && !IsLineBreak(m_text.at(m_pos))) {
                    record.error = QStringLiteral("text follows the closing quote of cell %1 (a quote inside a "
                                                  "quoted cell must be doubled)")
                                       .arg(column);
                    return record;
                }
            } else {
                const qsizetype begin = m_pos;
                while (m_pos < m_text.size() && m_text.at(m_pos) != QLatin1Char(',') &&
                       !IsLineBreak(m_text.at(m_pos))) {
                    if (m_text.at(m_pos) == QLatin1Char('"')) {
                        record.error = QStringLiteral("cell %1 holds a double quote but does not start with one (a "
                                                      "cell with quotes must be quoted, its quotes doubled)")
                                           .arg(column);
                        return record;
                    }
                    ++m_pos;
                }
                overlong = m_pos - begin > m_maxCell;
                if (!overlong)
                    cell = m_text.mid(begin, m_pos - begin);
            }
            if (overlong)
                record.overlong.append(int(record.cells.size()));
            record.cells.append(cell);
            if (m_pos >= m_text.size())
                return record;
            if (m_text.at(m_pos) == QLatin1Char(',')) {
                ++m_pos;
                continue;
            }
            SkipLineBreak();
            return record;
        }
    }

    // m_pos is at the opening quote; on success it is just past the closing one.
    // A cell longer than m_maxCell is read to its end but not kept: it comes back empty, with
    // overlong set.
    bool ReadQuoted(QString& cell, bool& overlong)
    {
        // An opening quote with no quote after it anywhere can never close; saying so at once keeps
        // a file full of such lines from being scanned to its end once per line.
        if (m_pos >= m_lastQuote)
            return false;
        ++m_pos;
        for (;;) {
            const qsizetype quote = m_text.indexOf(QLatin1Char('"'), m_pos);
            if (quote < 0)
                return false;
            for (qsizetype i = m_pos; i < quote; ++i) {
                const QChar c = m_text.at(i);
                if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && At(i + 1) != QLatin1Char('\n')))
                    ++m_line;
            }
            if (!overlong && cell.size() + (quote - m_pos) > m_maxCell) {
                overlong = true;
                cell = QString();
            }
            if (!overlong)
                cell += QStringView(m_text).mid(m_pos, quote - m_pos);
            m_pos = quote + 1;
            if (At(m_pos) == QLatin1Char('"')) {
                if (!overlong && cell.size() >= m_maxCell) {
                    overlong = true;
                    cell = QString();
                }
                if (!overlong)
                    cell += QLatin1Char('"');
                ++m_pos;
                continue;
            }
            return true;
        }
    }

    const QString m_text;
    const qsizetype m_lastQuote;
    const qsizetype m_maxCell;
    qsizetype m_pos = 0;
    int m_line = 1;
};

} // namespace

QList<CsvRecord> ParseCsv(const QString& text, qsizetype maxCellLength)
{
    return CsvParser(text, maxCellLength).Run();
}

struct CXCsvReader::Parser : CsvParser
{
    using CsvParser::CsvParser;
};

CXCsvReader::CXCsvReader(qsizetype maxCellLength) : m_nMaxCellLength(maxCellLength) {}
CXCsvReader::~CXCsvReader() = default;

bool CXCsvReader::Open(const QString& path, QString* error)
{
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(path), reason);
        return false;
    };
    m_pParser.reset();
    m_strText.clear();
    m_encoding = Encoding::Utf8;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    if (file.size() > kMaxCsvBytes)
        return fail(QStringLiteral("it is larger than %1 MB").arg(kMaxCsvBytes / (1024 * 1024)));
    // The bytes live only until they are decoded: the text is all that is kept.
    {
        QByteArray bytes = file.read(kMaxCsvBytes + 1);
        if (file.error() != QFileDevice::NoError)
            return fail(file.errorString());
        if (bytes.size() > kMaxCsvBytes)
            return fail(QStringLiteral("it is larger than %1 MB").arg(kMaxCsvBytes / (1024 * 1024)));
        file.close();
        // Spreadsheet programs save "Unicode text" as UTF-16 with a byte-order mark.
        if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
            const bool little = bytes.startsWith("\xFF\xFE");
            m_encoding = little ? Encoding::Utf16LE : Encoding::Utf16BE;
            QStringDecoder utf16(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                                 QStringConverter::Flag::Stateless);
            m_strText = utf16.decode(QByteArrayView(bytes).sliced(2));
        } else {
            if (bytes.startsWith("\xEF\xBB\xBF"))
                bytes.remove(0, 3);
            bool windows1252 = false;
            m_strText = DecodeUtf8OrWindows1252(bytes, &windows1252);
            if (windows1252)
                m_encoding = Encoding::Windows1252;
        }
    }
    m_pParser = std::make_unique<Parser>(m_strText, m_nMaxCellLength);
    return true;
}

bool CXCsvReader::Next(CsvRecord& record)
{
    return m_pParser && m_pParser->Next(record);
}

void CXCsvReader::Rewind()
{
    if (m_pParser)
        m_pParser = std::make_unique<Parser>(m_strText, m_nMaxCellLength);
}

bool ReadCsvFile(const QString& path, qsizetype maxCellLength, CsvFile& out, QString* error)
{
    CXCsvReader reader(maxCellLength);
    if (!reader.Open(path, error))
        return false;
    out.notUtf8 = reader.TextEncoding() == CXCsvReader::Encoding::Windows1252;
    out.records.clear();
    CsvRecord record;
    while (reader.Next(record))
        out.records.append(std::move(record));
    return true;
}
