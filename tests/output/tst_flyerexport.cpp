#include "output/flyerexport.h"

#include "imaging/imagescaler.h"

#include "outputfixtures.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace OutputFixtures;

namespace {

QByteArray Head(const QString& path, int bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(bytes);
}

QString FormatOf(const QString& path)
{
    const QByteArray head = Head(path, 8);
    if (head.startsWith("%PDF-1.3"))
        return QStringLiteral("pdf");
    if (head.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("jpeg");
    if (head.startsWith("\x89PNG"))
        return QStringLiteral("png");
    if (head.startsWith("BM"))
        return QStringLiteral("bmp");
    return QString::fromLatin1(head);
}

CFlyerData Project()
{
    CFlyerData flyer;
    flyer.Reset();
    flyer.m_strMLS = QStringLiteral("ML81234");
    flyer.m_strAddress = QStringLiteral("12 Oak Lane");
    flyer.m_strCityStateZip = QStringLiteral("Springfield, IL 62704");
    return flyer;
}

} // namespace

class TestFlyerExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialogTexts()
    {
        QCOMPARE(DefaultExportName(Project()), QStringLiteral("ML81234 - 12 Oak Lane - Springfield, IL 62704.pdf"));
        // The save dialog's entries, in this order.
        QCOMPARE(ExportFilter().split(QStringLiteral(";;")),
                 QStringList({QStringLiteral("PDF Document (*.pdf)"), QStringLiteral("JPEG Image (*.jpg)"),
                              QStringLiteral("PNG Image (*.png)"), QStringLiteral("Windows Bitmap Image (*.bmp)")}));
    }

    void exportByPath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("format"); // empty: nothing may be written
        QTest::addColumn<QString>("error");  // part of the message when nothing was written

        QTest::newRow("pdf") << "flyer.pdf"
                             << "pdf"
                             << "";
        QTest::newRow("upper-case PDF") << "FLYER.PDF"
                                        << "pdf"
                                        << "";
        QTest::newRow("jpg") << "flyer.jpg"
                             << "jpeg"
                             << "";
        QTest::newRow("png") << "flyer.png"
                             << "png"
                             << "";
        QTest::newRow("bmp") << "flyer.bmp"
                             << "bmp"
                             << "";
        QTest::newRow("png in a folder named .pdf") << "old.pdf.files/flyer.png"
                                                    << "pdf"
                                                    << "";
        QTest::newRow("unknown extension") << "flyer.xyz"
                                           << ""
                                           << "\"flyer.xyz\"";
        QTest::newRow("missing folder") << "gone/flyer.pdf"
                                        << ""
                                        << "does not exist";
        QTest::newRow("missing folder, picture") << "gone/flyer.png"
                                                 << ""
                                                 << "does not exist";
    }

    void exportByPath()
    {
        QFETCH(QString, name);
        QFETCH(QString, format);
        QFETCH(QString, error);

        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("old.pdf.files")));
        const QString path = dir.filePath(name);
        // Every export goes over an older file, which must be replaced, or kept when nothing new was written.
        const bool hadOld = QFileInfo(path).absoluteDir().exists();
        if (hadOld) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("older file");
        }

        CAppSettings settings;
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp")); // made on demand
        settings.LastExportToPath = dir.filePath(QStringLiteral("before"));
        settings._SaveSettings();
        const CFlyerData flyer = Project();
        QString message;
        const bool written = ExportFlyerFile(settings, flyer, MakeFlyer(), path, &message);

        QCOMPARE(written, !format.isEmpty());
        // The user is told where the export went, and only a folder that took the flyer is the next
        // start folder.
        CAppSettings stored;
        stored.LoadSettings();
        QCOMPARE(stored.LastExportToPath, written ? QFileInfo(path).absolutePath() : dir.filePath(QStringLiteral("before")));
        QVERIFY(!QFile::exists(IntermediateJpegPath(settings.Path2TempFolder, flyer.m_strId)));
        if (!written) {
            QVERIFY2(message.contains(error), qPrintable(message));
            QCOMPARE(Head(path, 64), hadOld ? QByteArray("older file") : QByteArray());
            return;
        }
        QVERIFY(message.isEmpty());
        QCOMPARE(FormatOf(path), format);

        QImage picture;
        if (format == QLatin1String("pdf")) {
            QCOMPARE(QpdfCheck(path), 0);
            // At 192 dpi the Letter page has twice the flyer's pixels each way (at 96 poppler's
            // rounding may drop the last row).
            picture = RasterisePdf(path, 192);
            QCOMPARE(picture.size(), QSize(kWidth * 2, kHeight * 2));
        } else {
            picture = QImage(path);
            QCOMPARE(picture.size(), QSize(kWidth, kHeight));
        }
        QCOMPARE(FramedSides(picture), QStringLiteral("TBLR"));
        QVERIFY(ShowsFlyer(picture, picture.rect()));
    }

    void suggestedNameIsAFileName()
    {
        // "1/2" in an address must not turn the suggested name into a folder that does not exist.
        QTemporaryDir dir;
        CFlyerData flyer = Project();
        flyer.m_strAddress = QStringLiteral("1417 1/2 Elm Street");
        const QString name = DefaultExportName(flyer);
        QVERIFY2(!name.contains(QLatin1Char('/')), qPrintable(name));
        QVERIFY2(name.startsWith(QStringLiteral("ML81234 - 1417 1")) && name.endsWith(QStringLiteral(".pdf")),
                 qPrintable(name));

        CAppSettings settings;
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        const QString path = dir.filePath(name);
        QString message;
        QVERIFY2(ExportFlyerFile(settings, flyer, MakeFlyer(), path, &message), qPrintable(message));
        QCOMPARE(FormatOf(path), QStringLiteral("pdf"));
    }

    void noFlyer()
    {
        QTemporaryDir dir;
        CAppSettings settings;
        settings.LastExportToPath = QStringLiteral("/unchanged");
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        QString message;
        QVERIFY(!ExportFlyerFile(settings, Project(), QImage(), dir.filePath(QStringLiteral("flyer.pdf")), &message));
        QVERIFY(message.contains(QStringLiteral("no flyer")));
        QCOMPARE(settings.LastExportToPath, QStringLiteral("/unchanged"));
        QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    void frames_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("sides");
        QTest::newRow("export") << int(FlyerFrame::AllSides) << "TBLR";
        QTest::newRow("e-mail") << int(FlyerFrame::TopLeft) << "TL";
    }

    // The frames exactly, before any JPEG encoding blurs them.
    void frames()
    {
        QFETCH(int, frame);
        QFETCH(QString, sides);
        const QImage framed = FrameFlyer(MakeFlyer(), FlyerFrame(frame));
        QCOMPARE(framed.size(), QSize(kWidth, kHeight));
        QCOMPARE(FramedSides(framed), sides);
        for (const QPoint corner : {QPoint(0, 0), QPoint(kWidth - 1, 0), QPoint(0, kHeight - 1)})
            QCOMPARE(framed.pixelColor(corner) == QColor(Qt::black),
                     sides.size() == 4 || corner.y() == 0 || corner.x() == 0);
        QVERIFY(ShowsFlyer(framed, framed.rect()));
        QVERIFY(FrameFlyer(QImage(), FlyerFrame(frame)).isNull());
    }

    // The file holds the framed flyer in every row: the rows are encoded while the frame is still
    // being drawn, and none may be taken before it is finished.
    void exportedRowsMatchFrame()
    {
        QImage flyer(kWidth, kHeight, QImage::Format_ARGB32);
        for (int y = 0; y < kHeight; ++y) {
            auto* line = reinterpret_cast<QRgb*>(flyer.scanLine(y));
            for (int x = 0; x < kWidth; ++x)
                line[x] = qRgb(x * 255 / kWidth, y * 255 / kHeight, 128 + int(100 * std::sin((x + y) / 40.0)));
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flyer.png"));
        QString error;
        QVERIFY2(ExportFlyerFile(flyer, path, dir.filePath(QStringLiteral("Temp")), QStringLiteral("P1"), &error),
                 qPrintable(error));
        const QImage exported = QImage(path).convertToFormat(QImage::Format_RGB32);
        // The frame drawn first and then encoded whole, through Qt's own writer.
        QByteArray reference;
        QBuffer buffer(&reference);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(100);
        QVERIFY(writer.write(FrameFlyer(flyer, FlyerFrame::AllSides)));
        const QImage framed = QImage::fromData(reference, "jpeg").convertToFormat(QImage::Format_RGB32);
        QCOMPARE(exported.size(), framed.size());
        for (int y = 0; y < kHeight; ++y) {
            qint64 total = 0;
            for (int x = 0; x < kWidth; ++x) {
                const QRgb a = exported.pixel(x, y), b = framed.pixel(x, y);
                for (int shift : {0, 8, 16})
                    total += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
            }
            const double mean = double(total) / (3.0 * kWidth);
            QVERIFY2(mean < 1, qPrintable(QStringLiteral("row %1: mean difference %2").arg(y).arg(mean)));
        }
    }

    // The frame's own fast resampler agrees with the image library's bicubic one, pixel for pixel,
    // on a picture that shows every shift: noise, in all three formats a flyer may come in.
    void frameResampling_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("translucent");
        for (const auto& [name, frame] : {std::pair{"export", FlyerFrame::AllSides}, {"e-mail", FlyerFrame::TopLeft}}) {
            QTest::addRow("%s, ARGB32", name) << int(frame) << int(QImage::Format_ARGB32) << false;
            QTest::addRow("%s, ARGB32 translucent", name) << int(frame) << int(QImage::Format_ARGB32) << true;
            QTest::addRow("%s, RGB32", name) << int(frame) << int(QImage::Format_RGB32) << false;
            QTest::addRow("%s, premultiplied", name) << int(frame) << int(QImage::Format_ARGB32_Premultiplied) << false;
            QTest::addRow("%s, RGB888", name) << int(frame) << int(QImage::Format_RGB888) << false;
        }
    }

    void frameResampling()
    {
        QFETCH(int, frame);
        QFETCH(int, format);
        QFETCH(bool, translucent);
        QImage noise(kWidth, kHeight, QImage::Format_ARGB32);
        quint32 seed = 1;
        for (int y = 0; y < kHeight; ++y) {
            auto* line = reinterpret_cast<QRgb*>(noise.scanLine(y));
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1664525u + 1013904223u;
                line[x] = translucent ? seed : 0xFF000000u | (seed >> 8);
            }
        }
        noise = noise.convertToFormat(QImage::Format(format));
        if (translucent) {
            // Converted a row at a time, exactly as from a premultiplied copy of the whole. (The image
            // library's scaler clips ringing to each pixel's alpha, which random alpha shows up.)
            QCOMPARE(FrameFlyer(noise, FlyerFrame(frame)),
                     FrameFlyer(noise.convertToFormat(QImage::Format_ARGB32_Premultiplied), FlyerFrame(frame)));
            return;
        }
        const int shrink = FlyerFrame(frame) == FlyerFrame::AllSides ? 2 : 1;
        // What the flyer shows over the black frame: its premultiplied colours.
        const QImage reference = ScaleBicubic(noise.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                                              QSize(kWidth - shrink, kHeight - shrink));
        const QImage framed = FrameFlyer(noise, FlyerFrame(frame));
        int worst = 0;
        qint64 total = 0;
        for (int y = 0; y < reference.height(); ++y) {
            for (int x = 0; x < reference.width(); ++x) {
                const QRgb a = reinterpret_cast<const QRgb*>(reference.constScanLine(y))[x];
                const QRgb b = framed.pixel(x + 1, y + 1);
                for (int shift : {0, 8, 16}) {
                    const int d = std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
                    worst = std::max(worst, d);
                    total += d;
                }
            }
        }
        const double mean = double(total) / (3.0 * reference.width() * reference.height());
        QVERIFY2(mean < 0.5 && worst <= 3, qPrintable(QStringLiteral("mean %1, worst %2").arg(mean).arg(worst)));
    }
};

QTEST_GUILESS_MAIN(TestFlyerExport)
#include "tst_flyerexport.moc"
