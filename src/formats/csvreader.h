#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// Reading comma-separated spreadsheets as RFC 4180 writes them: cells in double quotes may hold
// commas, line breaks and doubled quotes; records end with CR LF, LF or CR.

struct CsvRecord
{
    int line = 0;        // 1-based line of the file on which the record starts
    QStringList cells;   // line breaks inside quoted cells are kept as they were written
    QString error;       // set when the record's quoting is malformed; its cells are then incomplete
    QList<int> overlong; // 0-based cells longer than the reader's limit: they are read as empty
};

// Splits text into records. A malformed record is reported, not dropped, and reading goes on at
// the line after the one it started on, so a stray quote never swallows the rows below it.
// A cell longer than maxCellLength is not kept: the caller knows how long a cell may sensibly be.
QList<CsvRecord> ParseCsv(const QString& text, qsizetype maxCellLength);

// A spreadsheet file read record by record: its text is held once, and each record is made only
// when asked for, so a sheet of a million rows never holds a million records. UTF-8 with or without
// a byte-order mark, UTF-16 with one, and Windows-1252 when the bytes are no UTF-8.
class CXCsvReader
{
public:
    enum class Encoding
    {
        Utf8,
        Utf16LE,
        Utf16BE,
        Windows1252
    };

    explicit CXCsvReader(qsizetype maxCellLength);
    ~CXCsvReader();
    Q_DISABLE_COPY_MOVE(CXCsvReader)

    // False, with a sentence in error, when the file cannot be read.
    bool Open(const QString& path, QString* error = nullptr);
    Encoding TextEncoding() const { return m_encoding; }
    // The next record; false at the end of the file.
    bool Next(CsvRecord& record);
    // Back to the first record.
    void Rewind();

private:
    struct Parser;
    QString m_strText;
    std::unique_ptr<Parser> m_pParser;
    Encoding m_encoding = Encoding::Utf8;
    qsizetype m_nMaxCellLength;
};

struct CsvFile
{
    QList<CsvRecord> records;
    bool notUtf8 = false; // the bytes were no UTF-8 and were read as Windows-1252
};

// Reads a file as UTF-8, with or without a byte-order mark, or as UTF-16 after its byte-order mark;
// a file that is not valid UTF-8 is read as Windows-1252, which is what spreadsheet programs write
// as plain "CSV" on Windows. False, with a sentence in error, when the file cannot be read.
bool ReadCsvFile(const QString& path, qsizetype maxCellLength, CsvFile& out, QString* error = nullptr);
