// The shipped Letter themes draw exactly what they drew before: the screen picture, the plain PDF and
// the print-quality page of every shipped Letter theme with the preview listing, against digests pinned in
// data/shipped-digests.txt. A change that moves one pixel of them fails here.
// LISTORA_PIN_DIGESTS=1 writes the file afresh instead (after a change meant to alter the themes).
#include "support/childprocess.h"

#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

using TestSupport::ChildRun;
using TestSupport::RunCli;

QString DigestFile()
{
    return QStringLiteral(LISTORA_TEST_DATA "/shipped-digests.txt");
}

// Pixels, not file bytes: the PNG encoder's settings are no part of the look.
QByteArray PictureDigest(const QString& path)
{
    QImage image(path);
    if (image.isNull())
        return QByteArray();
    image = image.convertToFormat(QImage::Format_ARGB32);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray(QByteArray::number(image.width()) + 'x' + QByteArray::number(image.height())));
    for (int y = 0; y < image.height(); ++y)
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4));
    return hash.result().toHex();
}

QByteArray FileDigest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

} // namespace

class TestShippedDigests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyShippedThemeDrawsAsPinned()
    {
        // The Letter flyers; the other formats came later and are drawn at their own sizes.
        const ChildRun themes =
            RunCli({QStringLiteral("themes"), QStringLiteral("--format"), QStringLiteral("letter")});
        QCOMPARE(themes.exitCode, 0);
        const QJsonArray list = QJsonDocument::fromJson(themes.Out().toUtf8()).array();
        QCOMPARE(list.size(), 13);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QStringList lines;
        for (const QJsonValue& entry : list) {
            const QString name = entry.toObject().value(QStringLiteral("name")).toString();
            const QString screen = dir.filePath(QStringLiteral("screen.png"));
            const QString pdf = dir.filePath(QStringLiteral("plain.pdf"));
            const QString print = dir.filePath(QStringLiteral("print.png"));
            QCOMPARE(RunCli({"render", "--theme", name, "--out", screen}).exitCode, 0);
            QCOMPARE(RunCli({"export", "--theme", name, "--out", pdf}).exitCode, 0);
            QCOMPARE(RunCli({"render", "--theme", name, "--quality", "print", "--out", print}).exitCode, 0);
            lines << name + QLatin1Char('\t') + QString::fromLatin1(PictureDigest(screen)) + QLatin1Char('\t') +
                         QString::fromLatin1(FileDigest(pdf)) + QLatin1Char('\t') +
                         QString::fromLatin1(PictureDigest(print));
        }

        if (qEnvironmentVariableIntValue("LISTORA_PIN_DIGESTS") == 1) {
            QFile out(DigestFile());
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
            QSKIP("digests written");
        }

        QFile in(DigestFile());
        QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(DigestFile()));
        const QStringList pinned = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), pinned.size());
        const QStringList kinds{QStringLiteral("screen picture"), QStringLiteral("plain PDF"),
                                QStringLiteral("print-quality page")};
        for (int i = 0; i < lines.size(); ++i) {
            const QStringList now = lines.at(i).split(QLatin1Char('\t'));
            const QStringList then = pinned.at(i).split(QLatin1Char('\t'));
            QCOMPARE(now.first(), then.first());
            for (int k = 1; k < 4; ++k)
                QVERIFY2(now.at(k) == then.value(k), qPrintable(now.first() + QStringLiteral(": the ") +
                                                                kinds.at(k - 1) + QStringLiteral(" changed")));
        }
    }
};

QTEST_GUILESS_MAIN(TestShippedDigests)
#include "tst_shippeddigests.moc"
