#include "formats/csvreader.h"
#include "flyer/fieldlimits.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// "line:cell|cell" per record, "line!" for a malformed one, records joined by ";".
QString Describe(const QList<CsvRecord>& records)
{
    QStringList parts;
    for (const CsvRecord& record : records) {
        if (!record.error.isEmpty())
            parts.append(QStringLiteral("%1!").arg(record.line));
        else
            parts.append(QStringLiteral("%1:%2").arg(record.line).arg(record.cells.join(QLatin1Char('|'))));
    }
    return parts.join(QLatin1Char(';'));
}

} // namespace

class TestCsvReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("LF, no final break") << "a,b\nc,d"
                                            << "1:a|b;2:c|d";
        QTest::newRow("CR LF and final break") << "a,b\r\nc,d\r\n"
                                               << "1:a|b;2:c|d";
        QTest::newRow("lone CR") << "a\rb\r"
                                 << "1:a;2:b";
        QTest::newRow("empty cells") << ",,\n"
                                     << "1:||";
        QTest::newRow("blank line is an empty record") << "a\n\nb"
                                                       << "1:a;2:;3:b";
        QTest::newRow("comma and doubled quote") << "\"x, \"\"y\"\"\",z"
                                                 << "1:x, \"y\"|z";
        QTest::newRow("empty quoted cell") << "\"\",a"
                                           << "1:|a";
        // Line numbers count the breaks inside quoted cells, CR LF as one.
        QTest::newRow("break in a cell") << "\"one\r\ntwo\",a\r\nb\r\nc"
                                         << "1:one\r\ntwo|a;3:b;4:c";
        QTest::newRow("CR in a cell") << "\"x\ry\"\nz"
                                      << "1:x\ry;3:z";

        QTest::newRow("stray quote, next line read") << "a,12\" wide\nb,c"
                                                     << "1!;2:b|c";
        QTest::newRow("text after closing quote") << "\"a\"b,c\nd"
                                                  << "1!;2:d";
        QTest::newRow("never closed, at the end") << "a\n\"open,b\nc,d"
                                                  << "1:a;2!;3:c|d";
        // An unbalanced quote runs into the rows below; they are read again, not lost.
        QTest::newRow("unbalanced quote swallows rows") << "\"Home, sweet,1\nx,y\nz,\"quoted\",w"
                                                        << "1!;2:x|y;3:z|quoted|w";
        QTest::newRow("quoted cell over lines, then text") << "\"a\nb\"c,d\ne,f"
                                                           << "1!;2!;3:e|f";
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(Describe(ParseCsv(text, kMaxListingCellLength)), expected);
    }

    // A cell over the limit is read past but not kept: it is empty and named in overlong, and the
    // line count and the cells after it stay right.
    void overlongCells_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("at the limit") << "12345,\"12345\""
                                      << "1:12345|12345";
        QTest::newRow("plain cell") << "123456,b\nc"
                                    << "1:<long>|b;2:c";
        QTest::newRow("quoted cell over lines") << "a,\"12\n34\n56\",b\nc"
                                                << "1:a|<long>|b;4:c";
        QTest::newRow("doubled quotes count")
            << "\"12\"\"\"\"5\"," + QString(14, QLatin1Char('"')) << "1:12\"\"5|<long>";
        QTest::newRow("unclosed long cell") << "\"1234567\nb"
                                            << "1!;2:b";
    }

    void overlongCells()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QList<CsvRecord> records = ParseCsv(text, 5);
        for (CsvRecord& record : records) {
            for (const int i : std::as_const(record.overlong)) {
                QVERIFY(record.cells.at(i).isEmpty());
                record.cells[i] = QStringLiteral("<long>");
            }
        }
        QCOMPARE(Describe(records), expected);
    }

    void malformedRecordSaysWhy()
    {
        const QList<CsvRecord> records = ParseCsv(QStringLiteral("a,b\n1,2\" x\n"), kMaxListingCellLength);
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(1).line, 2);
        QVERIFY(records.at(1).error.contains(QLatin1String("cell 2")));
    }

    void readFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("firstCell");
        QTest::addColumn<bool>("notUtf8");

        QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9,x\n") << QString::fromUtf8("café") << false;
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF"
                                                      "caption,x\n")
                                        << "caption" << false;
        QTest::newRow("Windows-1252") << QByteArray("caf\xE9 \x80"
                                                    "5,x\n")
                                      << QString::fromUtf8("café €5") << true;
        // Spreadsheet programs save "Unicode text" so.
        const QString text = QString::fromUtf8("café €5,\"Springfield, IL\"\r\n");
        QByteArray little("\xFF\xFE");
        QByteArray big("\xFE\xFF");
        for (const QChar c : text) {
            little.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
            big.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
        }
        QTest::newRow("UTF-16 little-endian") << little << QString::fromUtf8("café €5") << false;
        QTest::newRow("UTF-16 big-endian") << big << QString::fromUtf8("café €5") << false;
    }

    void readFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, firstCell);
        QFETCH(bool, notUtf8);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("sheet.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        CsvFile csv;
        QString error;
        QVERIFY(ReadCsvFile(file.fileName(), kMaxListingCellLength, csv, &error));
        QCOMPARE(csv.notUtf8, notUtf8);
        QCOMPARE(csv.records.size(), 1);
        QCOMPARE(csv.records.at(0).cells.value(0), firstCell);
    }

    void missingFileIsAnError()
    {
        CsvFile csv;
        QString error;
        QVERIFY(!ReadCsvFile(QStringLiteral("/nonexistent/listings.csv"), kMaxListingCellLength, csv, &error));
        QVERIFY(error.contains(QLatin1String("listings.csv")));
    }
};

QTEST_GUILESS_MAIN(TestCsvReader)
#include "tst_csvreader.moc"
