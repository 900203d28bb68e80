#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

// Its own test program, so that the peak memory of its children is that of the one batch it runs.
class TestBatchMemory : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    // A sheet of a million short, bad rows: read as a stream, its memory stays bounded, and the
    // summary names the first 20 lines and counts the rest.
    void millionBadRowsInBoundedMemory()
    {
        const QString csv = m_dir.filePath("many.csv");
        QFile sheet(csv);
        QVERIFY(sheet.open(QIODevice::WriteOnly));
        sheet.write("caption,mls,price,address,city_state_zip,description,feature1,feature2,feature3,feature4,"
                    "photo1,photo2,photo3,photo4\n");
        const int rows = 1000000;
        QByteArray chunk;
        for (int i = 0; i < 1000; ++i)
            chunk += "a,b,c,d\n";
        for (int i = 0; i < rows / 1000; ++i)
            sheet.write(chunk);
        const qint64 size = sheet.size();
        sheet.close();

        QProcess batch;
        const QString err = m_dir.filePath("stderr.txt");
        batch.setStandardErrorFile(err);
        batch.start(QStringLiteral(LISTORA_BIN_DIR "/listora-cli"),
                    {"batch", csv, "--theme", "Simple - KT101", "--out", m_dir.filePath("out")});
        QVERIFY(batch.waitForFinished(600000));
        QCOMPARE(batch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(batch.exitCode(), 1);

        rusage usage{};
        QCOMPARE(::getrusage(RUSAGE_CHILDREN, &usage), 0);
        const qint64 peak = qint64(usage.ru_maxrss) * 1024;
        const qint64 bound = 300ll * 1024 * 1024 + 4 * size;
        qInfo("sheet %lld bytes, peak %lld MB (at most %lld MB)", size, peak >> 20, bound >> 20);
        QVERIFY2(peak <= bound, qPrintable(QString::number(peak >> 20)));

        // Only the last line is read: a million progress lines come before it.
        QFile log(err);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.size() > 4096);
        log.seek(log.size() - 4096);
        const QList<QByteArray> lines = log.readAll().trimmed().split('\n');
        const QString summary = QString::fromUtf8(lines.constLast());
        QString named;
        for (int line = 2; line < 22; ++line)
            named += QString::number(line) + (line < 21 ? QStringLiteral(", ") : QString());
        QCOMPARE(summary, QStringLiteral("made 0 of %1 flyers in %2; %1 rows skipped (lines %3 and %4 more)")
                              .arg(rows)
                              .arg(QDir::toNativeSeparators(m_dir.filePath("out")), named)
                              .arg(rows - 20));
        QVERIFY(lines.at(lines.size() - 2)
                    .startsWith(QByteArray("[%1/%1] line %2: skipped: ")
                                    .replace("%1", QByteArray::number(rows))
                                    .replace("%2", QByteArray::number(rows + 1))));
    }

    // A 60 MB description is refused while the sheet is read, with its line, and the next row is
    // still read; the cell is never copied into a flyer. Runs after the test above, whose bound is
    // the smaller one: the peak of the children is the largest of all batches run here.
    void hugeCellRefusedWhileRead()
    {
        const QString photo = m_dir.filePath("photo.jpg");
        QImage picture(800, 600, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QVERIFY(picture.save(photo, "JPEG"));
        const QString csv = m_dir.filePath("huge.csv");
        QFile sheet(csv);
        QVERIFY(sheet.open(QIODevice::WriteOnly));
        sheet.write("caption,mls,price,address,city_state_zip,description,feature1,feature2,feature3,feature4,"
                    "photo1,photo2,photo3,photo4\n");
        sheet.write("Huge,MLS# 1,$1,1 Main St,Town,\"");
        const QByteArray chunk(1024 * 1024, 'x');
        for (int i = 0; i < 60; ++i)
            sheet.write(chunk);
        sheet.write("\",a,b,c,d,photo.jpg,,,\n");
        sheet.write(",MLS# 2,$2,2 Main St,Town,Short,a,b,c,d,photo.jpg,,,\n");
        const qint64 size = sheet.size();
        sheet.close();

        QProcess batch;
        QElapsedTimer timer;
        timer.start();
        batch.start(QStringLiteral(LISTORA_BIN_DIR "/listora-cli"),
                    {"batch", csv, "--theme", "Simple - KT101", "--out", m_dir.filePath("huge-out")});
        QVERIFY(batch.waitForFinished(600000));
        const QByteArray err = batch.readAllStandardError();
        QCOMPARE(batch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(batch.exitCode(), 1);
        QVERIFY2(err.contains("line 2: skipped: description is longer than 65,536 characters"), err.right(2000));
        QVERIFY2(err.contains("line 3: skipped: caption is empty"), err.right(2000));

        rusage usage{};
        QCOMPARE(::getrusage(RUSAGE_CHILDREN, &usage), 0);
        const qint64 peak = qint64(usage.ru_maxrss) * 1024;
        const qint64 bound = 300ll * 1024 * 1024 + 4 * size;
        qInfo("sheet %lld bytes, %lld ms, peak %lld MB (at most %lld MB)", size, timer.elapsed(), peak >> 20,
              bound >> 20);
        QVERIFY2(peak <= bound, qPrintable(QString::number(peak >> 20)));
    }
};

QTEST_GUILESS_MAIN(TestBatchMemory)
#include "tst_batchmemory.moc"
