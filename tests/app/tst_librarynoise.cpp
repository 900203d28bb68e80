// What listora-cli prints on standard error: one line of its own per problem. The libraries under
// it (libpng, Qt) have things to say too, some straight to the file; only LISTORA_DEBUG lets them out.
#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::ChildOptions;
using TestSupport::ChildRun;

class TestLibraryNoise : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static ChildRun RunCli(const QStringList& args, const QString& debug, bool withRuntimeDir)
    {
        ChildOptions options{.env = {"LISTORA_DEBUG", "LISTORA_RENDER_DEBUG", "QT_LOGGING_RULES"}};
        if (!debug.isEmpty())
            options.env.append(debug + QStringLiteral("=1"));
        if (!withRuntimeDir)
            options.env.append(QStringLiteral("XDG_RUNTIME_DIR")); // Qt warns about it on every start
        return TestSupport::RunCli(args, options);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QImage picture(400, 300, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(m_dir.filePath("whole.png"), "PNG"));
        QFile whole(m_dir.filePath("whole.png"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile cut(m_dir.filePath("cut.png"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(120)); // the header and a little data: libpng reports a read error
    }

    void onlyOwnLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("withRuntimeDir");
        QTest::addColumn<QByteArray>("noise");
        QTest::addColumn<int>("ownLines");
        const QString folder = m_dir.filePath("project");
        QTest::newRow("libpng on a cut picture")
            << QStringList{"photos", "--folder", folder, "--slot", "1", m_dir.filePath("cut.png")} << true
            << QByteArray("libpng") << 1;
        QTest::newRow("Qt warning in normal use")
            << QStringList{"image-info", m_dir.filePath("whole.png")} << false << QByteArray("XDG_RUNTIME_DIR") << 0;
    }

    void onlyOwnLines()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, withRuntimeDir);
        QFETCH(QByteArray, noise);
        QFETCH(int, ownLines);
        QDir(m_dir.filePath("project")).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.filePath("project")));

        const ChildRun quiet = RunCli(args, QString(), withRuntimeDir);
        QVERIFY(quiet.exitCode >= 0);
        const QList<QByteArray> lines = quiet.err.split('\n');
        QCOMPARE(lines.size() - 1, ownLines); // the text ends with its last line feed
        for (qsizetype i = 0; i < ownLines; ++i)
            QVERIFY2(lines.at(i).startsWith("listora-cli: "), lines.at(i).constData());
        QVERIFY2(!quiet.err.contains(noise), quiet.err.constData());

        // The noise is there to be silenced, and either switch lets it through.
        for (const QString& debug : {QStringLiteral("LISTORA_DEBUG"), QStringLiteral("LISTORA_RENDER_DEBUG")}) {
            const ChildRun loud = RunCli(args, debug, withRuntimeDir);
            QCOMPARE(loud.exitCode, quiet.exitCode);
            QVERIFY2(loud.err.contains(noise), qPrintable(debug + ": " + QString::fromUtf8(loud.err)));
        }
    }
};

QTEST_GUILESS_MAIN(TestLibraryNoise)
#include "tst_librarynoise.moc"
