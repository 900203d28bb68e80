#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Reading comma-separated spreadsheets as RFC 4180 writes them: cells in double quotes may hold
// commas, line breaks and doubled quotes; records end with CR LF, LF or CR.

struct CsvRecord
{
    int line = 0;      // 1-based line of the file on which the record starts
    QStringList cells; // line breaks inside quoted cells are kept as they were written
    QString error;     // set when the record's quoting is malformed; its cells are then incomplete
};

// Splits text into records. A malformed record is reported, not dropped, and reading goes on at
// the line after the one it started on, so a stray quote never swallows the rows below it.
QList<CsvRecord> ParseCsv(const QString& text);

struct CsvFile
{
    QList<CsvRecord> records;
    bool notUtf8 = false; // the bytes were no UTF-8 and were read as Windows-1252
};

// Reads a file as UTF-8, with or without a byte-order mark; a file that is not valid UTF-8 is read
// as Windows-1252, which is what spreadsheet programs write as plain "CSV" on Windows. False, with
// a sentence in error, when the file cannot be read.
bool ReadCsvFile(const QString& path, CsvFile& out, QString* error = nullptr);
