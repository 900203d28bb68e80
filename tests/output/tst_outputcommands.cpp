#include "output/ui/flyeroutput.h"

#include "controls/ui/messagebox.h"
#include "output/flyerexport.h"
#include "output/pdfwriter.h"
#include "output/printexport.h"
#include "outputfixtures.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <optional>

using namespace OutputFixtures;

namespace {

CFlyerData Project(const QString& folder)
{
    CFlyerData flyer;
    flyer.Reset();
    flyer.m_strCaption = QStringLiteral("Charming Bungalow");
    flyer.m_strMLS = QStringLiteral("ML81234");
    flyer.m_strAddress = QStringLiteral("12 Oak Lane");
    flyer.m_strCityStateZip = QStringLiteral("Springfield, IL");
    flyer.m_strDescription = QStringLiteral("Sunny rooms.<br>Big yard & a \\ backslash.");
    flyer.m_strFeatures = {QStringLiteral("3 Beds"), QString(), QStringLiteral("2 Baths"), QString()};
    flyer.SetPathName(folder + QStringLiteral("/FlyerData.lso"));
    return flyer;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteText(const QString& path, const QByteArray& text, bool executable = false)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return false;
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

} // namespace

class TestOutputCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_record; // where the recording mail handler writes the link it receives

    // Collects the answered message boxes until one has come or the wait is over.
    QList<CXMessageBoxTest::Asked> WaitForMessages(int timeout)
    {
        QList<CXMessageBoxTest::Asked> asked;
        (void)QTest::qWaitFor(
            [&] {
                asked += CXMessageBoxTest::TakeAsked();
                return !asked.isEmpty();
            },
            timeout);
        return asked;
    }

    // A .desktop handler for mailto links that writes the link it gets into m_record.
    bool RegisterRecordingHandler()
    {
        const QString recorder = m_dir.filePath(QStringLiteral("record-mail.sh"));
        const QString applications =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/applications");
        return QDir().mkpath(applications) &&
               WriteText(applications + QStringLiteral("/listora-test-mail.desktop"),
                         "[Desktop Entry]\nType=Application\nName=Recording mail handler\nExec=" +
                             QFile::encodeName(recorder) +
                             " %u\nMimeType=x-scheme-handler/mailto;\nNoDisplay=true\n") &&
               TestSupport::RunChild(QStringLiteral("xdg-mime"),
                                     {QStringLiteral("default"), QStringLiteral("listora-test-mail.desktop"),
                                      QStringLiteral("x-scheme-handler/mailto")})
                       .exitCode == 0;
    }

    // Runs run (an export) while answering its save dialog: the filter chosen and path typed, in
    // separate ticks as a user would. offered and initial are what the dialog showed first.
    static void ExportAs(const QString& path, const QString& filter, QStringList* offered, QString* initial,
                         const std::function<void()>& run)
    {
        offered->clear();
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!edit)
                return;
            const QString name = QFileInfo(path).fileName();
            if (offered->isEmpty() || edit->text() != name) {
                if (offered->isEmpty()) {
                    *offered = dialog->nameFilters();
                    *initial = dialog->selectedNameFilter();
                    dialog->selectNameFilter(filter);
                }
                edit->setText(name);
                return;
            }
            driver.stop();
            QMetaObject::invokeMethod(dialog, "accept");
        });
        driver.start(20);
        run();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Only the handlers this test registers count, whatever the machine has installed; and
        // xdg-email's generic mode, whatever desktop the test was started from.
        const QString empty = m_dir.filePath(QStringLiteral("empty"));
        QVERIFY(QDir().mkpath(empty));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(empty));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(empty));
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID", "MAILER", "WAYLAND_DISPLAY"})
            qunsetenv(name);
        // xdg-email only looks for a handler with a display; no X server is needed. A browser
        // must not stand in for a missing mail handler.
        qputenv("DISPLAY", ":listora-test");
        qputenv("BROWSER", QFile::encodeName(m_dir.filePath(QStringLiteral("no-browser"))));

        m_record = m_dir.filePath(QStringLiteral("mailto.txt"));
        const QString recorder = m_dir.filePath(QStringLiteral("record-mail.sh"));
        QVERIFY(WriteText(recorder,
                          "#!/bin/sh\nprintf '%s' \"$1\" > \"" + QFile::encodeName(m_record) + ".part\" && mv \"" +
                              QFile::encodeName(m_record) + ".part\" \"" + QFile::encodeName(m_record) + "\"\n",
                          true));
    }

    void init() { CXMessageBoxTest::Clear(); }

    void exportDialog_data()
    {
        QTest::addColumn<QString>("typed"); // empty: the dialog is cancelled
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("message");

        QTest::newRow("name without extension") << "flyer"
                                                << "flyer.pdf"
                                                << "";
        QTest::newRow("picture") << "flyer.png"
                                 << "flyer.png"
                                 << "";
        QTest::newRow("unknown extension") << "flyer.xyz"
                                           << ""
                                           << "cannot write a file named \"flyer.xyz\"";
        // Export writes the types it names, and names them when it refuses one.
        QTest::newRow("gif") << "flyer.gif"
                             << ""
                             << "Choose a name that ends in .pdf, .jpg, .png or .bmp.";
        QTest::newRow("tiff") << "flyer.tif"
                              << ""
                              << "Choose a name that ends in .pdf, .jpg, .png or .bmp.";
        QTest::newRow("cancelled") << ""
                                   << ""
                                   << "";
    }

    void exportDialog()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, message);

        QTemporaryDir dir;
        const QString start = dir.filePath(QStringLiteral("Exports"));
        QVERIFY(QDir().mkpath(start));
        CAppSettings settings;
        settings.LastExportToPath = start;
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        const CFlyerData flyer = Project(dir.path());
        const QImage image = MakeFlyer();

        // What the dialog showed, read when it first appears and compared once it is gone.
        QStringList seen;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (seen.isEmpty())
                seen = QStringList{dialog->windowTitle(), dialog->nameFilters().join(QLatin1Char('|')),
                                   dialog->defaultSuffix(), dialog->directory().absolutePath(),
                                   QFileInfo(dialog->selectedFiles().value(0)).fileName()};
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (typed.isEmpty() || !edit) {
                driver.stop();
                dialog->reject();
                return;
            }
            // Typed and accepted in separate ticks, the text checked first: the dialog may still
            // be applying its start name while it reads the folder.
            if (edit->text() != typed) {
                edit->setText(typed);
                return;
            }
            driver.stop();
            QMetaObject::invokeMethod(dialog, "accept");
        });
        driver.start(20);
        if (!message.isEmpty())
            CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        ExportFlyer(nullptr, settings, flyer, &image);
        QCOMPARE(seen, QStringList({QStringLiteral("Export Flyer as..."),
                                    QStringLiteral("PDF Document (*.pdf)|JPEG Image (*.jpg)|PNG Image (*.png)|"
                                                   "Windows Bitmap Image (*.bmp)"),
                                    QStringLiteral("pdf"), start,
                                    QStringLiteral("ML81234 - 12 Oak Lane - Springfield, IL.pdf")}));
        // A cancelled dialog or a failed export changes nothing, the start folder included.
        CAppSettings stored;
        stored.LoadSettings();
        QCOMPARE(stored.LastExportToPath == start, !written.isEmpty());

        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(asked[0].text.contains(message), qPrintable(asked[0].text));
        const QStringList files = QDir(start).entryList(QDir::Files);
        QCOMPARE(files, written.isEmpty() ? QStringList() : QStringList{written});
        if (!written.isEmpty())
            QVERIFY(QImage(QDir(start).filePath(written)).isNull() == written.endsWith(QStringLiteral(".pdf")));
    }

    void noFlyer_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("export") << "export";
        QTest::newRow("print") << "print";
        QTest::newRow("e-mail") << "e-mail";
    }

    // After a failed render there is no flyer: each command says so and does nothing else.
    void noFlyer()
    {
        QFETCH(QString, command);
        QTemporaryDir dir;
        CAppSettings settings;
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        CFlyerData flyer = Project(dir.path());
        const CFlyerData before = flyer;
        const QImage none;
        for (const QImage* image : {static_cast<const QImage*>(nullptr), &none}) {
            CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
            if (command == QLatin1String("export"))
                ExportFlyer(nullptr, settings, flyer, image);
            else if (command == QLatin1String("print"))
                QVERIFY(!PrintFlyer(nullptr, flyer, true, image, QStringLiteral("T"), QStringLiteral("F"), 1));
            else
                EmailFlyer(nullptr, settings, flyer, image);
            const auto asked = CXMessageBoxTest::TakeAsked();
            QCOMPARE(asked.size(), 1);
            QVERIFY2(asked[0].text.startsWith(QStringLiteral("There is no flyer to %1").arg(command)),
                     qPrintable(asked[0].text));
        }
        QCOMPARE(flyer, before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }

    // Without a mailto handler xdg-email fails; the user learns it and where the PDF is.
    void emailWithoutHandler()
    {
        QVERIFY(!HasMailClient());

        QTemporaryDir dir;
        CAppSettings settings;
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        const CFlyerData flyer = Project(dir.path());
        const QImage image = MakeFlyer();
        QFile::remove(m_record);
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        EmailFlyer(nullptr, settings, flyer, &image);
        const auto asked = WaitForMessages(30000);
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].text.contains(QStringLiteral("could not be opened")), qPrintable(asked[0].text));
        QVERIFY(asked[0].text.contains(dir.filePath(QStringLiteral("E-mailed/12 Oak Lane - Springfield, IL.pdf"))));
        QVERIFY(!QFile::exists(m_record));
    }

    // The whole hand-off through xdg-email to a registered mailto handler.
    void emailHandOff()
    {
        QVERIFY(RegisterRecordingHandler());
        QVERIFY(HasMailClient());

        QTemporaryDir dir;
        CAppSettings settings;
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        settings.FullName = QStringLiteral("Jane Agent");
        const CFlyerData flyer = Project(dir.path());
        const QImage image = MakeFlyer();
        QFile::remove(m_record);
        EmailFlyer(nullptr, settings, flyer, &image);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_record), 30000);
        QTRY_VERIFY(QCoreApplication::instance()->findChildren<QProcess*>().isEmpty());
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);

        const QUrl link(QString::fromUtf8(ReadAll(m_record)), QUrl::StrictMode);
        QCOMPARE(link.scheme(), QStringLiteral("mailto"));
        const QUrlQuery query(link);
        QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
                 QStringLiteral("Charming Bungalow - ML81234 - 12 Oak Lane, Springfield, IL"));
        QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
                 QStringLiteral("LISTING DETAILS\r\n---------------\r\nOffered at $000,000\r\n\r\nSunny rooms.\r\n"
                                "Big yard & a \\ backslash.\r\n\r\n"
                                "*  3 Beds\r\n*  2 Baths\r\n\r\n\r\nPlease view the attached flyer for more "
                                "information and listing photos.\r\n\r\n\r\nJane Agent"));

        // The recipient sees the MLS name; the project keeps the same PDF under the address.
        const QString attached = query.queryItemValue(QStringLiteral("attach"), QUrl::FullyDecoded);
        QCOMPARE(QFileInfo(attached).fileName(), QStringLiteral("ML81234 - 12 Oak Lane - Springfield IL.pdf"));
        const QString kept = dir.filePath(QStringLiteral("E-mailed/12 Oak Lane - Springfield, IL.pdf"));
        QCOMPARE(ReadAll(attached), ReadAll(kept));
        QCOMPARE(QpdfCheck(kept), 0);
        const QImage page = RasterisePdf(kept, 192);
        QCOMPARE(FramedSides(page), QStringLiteral("TL"));
        QVERIFY(ShowsFlyer(page, page.rect()));
        QCOMPARE(QDir(settings.Path2TempFolder).entryList(QDir::Files), QStringList());
    }

    // xdg-email gives Thunderbird its attachments as one comma-separated list: the attachment's
    // path must come through it as one file, whatever the city line holds.
    void emailToThunderbird()
    {
        const QString record = m_dir.filePath(QStringLiteral("thunderbird.txt"));
        const QString program = m_dir.filePath(QStringLiteral("thunderbird/thunderbird"));
        const QString applications =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/applications");
        QVERIFY(QDir().mkpath(QFileInfo(program).absolutePath()) && QDir().mkpath(applications));
        QVERIFY(WriteText(program,
                          "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + QFile::encodeName(record) + ".part\" && mv \"" +
                              QFile::encodeName(record) + ".part\" \"" + QFile::encodeName(record) + "\"\n",
                          true));
        QVERIFY(WriteText(applications + QStringLiteral("/thunderbird.desktop"),
                          "[Desktop Entry]\nType=Application\nName=Thunderbird\nExec=" + QFile::encodeName(program) +
                              " %u\nMimeType=x-scheme-handler/mailto;\nNoDisplay=true\n"));
        QCOMPARE(TestSupport::RunChild(QStringLiteral("xdg-mime"),
                                       {QStringLiteral("default"), QStringLiteral("thunderbird.desktop"),
                                        QStringLiteral("x-scheme-handler/mailto")})
                     .exitCode,
                 0);
        QVERIFY(HasMailClient());

        QTemporaryDir dir;
        CAppSettings settings;
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        CFlyerData flyer = Project(dir.path());
        flyer.m_strCityStateZip = QStringLiteral("Springfield, OR 97477");
        const QImage image = MakeFlyer();
        QFile::remove(record);
        EmailFlyer(nullptr, settings, flyer, &image);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 30000);
        QTRY_VERIFY(QCoreApplication::instance()->findChildren<QProcess*>().isEmpty());
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);

        const QStringList arguments = QString::fromUtf8(ReadAll(record)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(arguments.size(), 2);
        QCOMPARE(arguments[0], QStringLiteral("-compose"));
        const QString compose = arguments[1];
        const QString key = QStringLiteral("attachment='");
        const qsizetype from = compose.indexOf(key);
        QVERIFY2(from >= 0 && compose.endsWith(QLatin1Char('\'')), qPrintable(compose));
        // Thunderbird's reading of the list.
        const QStringList attached = compose.mid(from + key.size()).chopped(1).split(QLatin1Char(','));
        QCOMPARE(attached.size(), 1);
        QVERIFY2(QFileInfo(attached[0]).isFile(), qPrintable(attached[0]));
        QCOMPARE(QFileInfo(attached[0]).fileName(), QStringLiteral("ML81234 - 12 Oak Lane - Springfield OR 97477.pdf"));
        QCOMPARE(ReadAll(attached[0]),
                 ReadAll(dir.filePath(QStringLiteral("E-mailed/12 Oak Lane - Springfield, OR 97477.pdf"))));
    }

    void emailPrintQuality_data()
    {
        QTest::addColumn<int>("pdfBytes"); // 0: the page cannot be made
        QTest::addColumn<bool>("attached");
        QTest::newRow("print-quality PDF") << 200000 << true;
        QTest::newRow("over 10 MB") << int(kMailPrintPdfLimit + 1) << false;
        QTest::newRow("page failed") << 0 << false;
    }

    // The print-quality PDF is mailed when it is at most 10 MB, else the picture PDF.
    void emailPrintQuality()
    {
        QFETCH(int, pdfBytes);
        QFETCH(bool, attached);
        QVERIFY(RegisterRecordingHandler());
        QTemporaryDir dir;
        CAppSettings settings;
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        const CFlyerData flyer = Project(dir.path());
        const QImage image = MakeFlyer();
        const QByteArray pdf = "%PDF-1.4\n%print quality\n" + QByteArray(qMax(0, pdfBytes - 24), ' ');
        const PrintPageFn printPage = [&](PrintPageWork work, CXPrintPage& page, QString*) {
            if (pdfBytes == 0)
                return false;
            page.pdf = work == PrintPageWork::Pdf ? pdf : QByteArray();
            return true;
        };
        QFile::remove(m_record);
        EmailFlyer(nullptr, settings, flyer, &image, printPage);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_record), 30000);
        QTRY_VERIFY(QCoreApplication::instance()->findChildren<QProcess*>().isEmpty());
        const QByteArray kept = ReadAll(dir.filePath(QStringLiteral("E-mailed/12 Oak Lane - Springfield, IL.pdf")));
        QCOMPARE(kept == pdf, attached);
        QCOMPARE(kept.startsWith("%PDF-1.3"), !attached); // the picture PDF of the PDF writer
    }

    // Text the flyer cut is named before the mail goes out; declined, nothing is attached or sent.
    void emailAsksAboutCutText()
    {
        QVERIFY(RegisterRecordingHandler());
        QTemporaryDir dir;
        CAppSettings settings;
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        const CFlyerData flyer = Project(dir.path());
        const QImage image = MakeFlyer();
        const PrintPageFn printPage = [&](PrintPageWork work, CXPrintPage& page, QString*) {
            page.pdf = work == PrintPageWork::Pdf ? QByteArray("%PDF-1.4\n%print quality\n") : QByteArray();
            page.findings = {CXFinding{QStringLiteral("text-fit"), QStringLiteral("description"),
                                       CXFinding::Level::Error,
                                       QStringLiteral("The description is cut after 612 of 1,480 characters in T.")}};
            return true;
        };
        QFile::remove(m_record);
        CXMessageBoxTest::AnswerNext(MsgBox::IdNo);
        EmailFlyer(nullptr, settings, flyer, &image, printPage);
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].text.startsWith(QStringLiteral("The description is cut after 612")),
                 qPrintable(asked[0].text));
        QVERIFY2(asked[0].text.endsWith(QStringLiteral("E-mail anyway?")), qPrintable(asked[0].text));
        QTest::qWait(200);
        QVERIFY(!QFile::exists(m_record));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("E-mailed"))));
    }

    // The print-quality file type: asked once about coarse photos, written from the vector page,
    // and offered first the next time.
    void exportPrintQuality()
    {
        QTemporaryDir dir;
        CAppSettings settings;
        settings.LastExportToPath = dir.path();
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        const CFlyerData flyer = Project(dir.path());
        const QImage image = MakeFlyer();
        const QByteArray pdf = "%PDF-1.4\n%print quality\n";
        CXPreflightEntry coarse;
        coarse.slot = 2;
        coarse.ppi = 110;
        coarse.ok = false;
        int pages = 0;
        const PrintPageFn printPage = [&](PrintPageWork work, CXPrintPage& page, QString*) {
            page.preflight = {coarse};
            page.pdf = work == PrintPageWork::Pdf ? (++pages, pdf) : QByteArray();
            return true;
        };

        QStringList offered;
        QString initial;
        const auto exportAs = [&](const QString& name, const QString& filter) {
            ExportAs(dir.filePath(name), filter, &offered, &initial,
                     [&] { ExportFlyer(nullptr, settings, flyer, &image, printPage); });
        };

        CXMessageBoxTest::AnswerNext(MsgBox::IdNo);
        exportAs(QStringLiteral("declined.pdf"), PrintQualityPdfFilter());
        QCOMPARE(offered, (QStringList{QStringLiteral("PDF Document (*.pdf)"), PrintQualityPdfFilter(),
                                       QStringLiteral("Press-ready PDF with bleed (*.pdf)"),
                                       QStringLiteral("JPEG Image (*.jpg)"), QStringLiteral("PNG Image (*.png)"),
                                       QStringLiteral("Windows Bitmap Image (*.bmp)"),
                                       QStringLiteral("JPEG Image (print size) (*.jpg)"),
                                       QStringLiteral("PNG Image (print size) (*.png)")}));
        // A new user is offered what goes on paper.
        QCOMPARE(initial, PrintQualityPdfFilter());
        auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].text.startsWith(QStringLiteral("Photo 2 will print at 110 ppi")), qPrintable(asked[0].text));
        QVERIFY2(asked[0].text.endsWith(QStringLiteral("Export anyway?")), qPrintable(asked[0].text));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("declined.pdf"))));
        QCOMPARE(pages, 0);

        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        exportAs(QStringLiteral("vector.pdf"), PrintQualityPdfFilter());
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 1);
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("vector.pdf"))), pdf);
        CAppSettings stored;
        stored.LoadSettings();
        QCOMPARE(stored.LastExportFilter, PrintQualityPdfFilter());

        // Offered first next time; the picture PDF asks nothing, and is then the one remembered.
        exportAs(QStringLiteral("picture.pdf"), QStringLiteral("PDF Document (*.pdf)"));
        QCOMPARE(initial, PrintQualityPdfFilter());
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QVERIFY(ReadAll(dir.filePath(QStringLiteral("picture.pdf"))).startsWith("%PDF-1.3"));
        exportAs(QStringLiteral("picture2.pdf"), QStringLiteral("PDF Document (*.pdf)"));
        QCOMPARE(initial, QStringLiteral("PDF Document (*.pdf)"));
    }

    // A social picture is offered as JPEG and PNG only, and written from the page made of the
    // originals at its exact pixels, not from the preview.
    void exportSocialPicture()
    {
        QTemporaryDir dir;
        CAppSettings settings;
        settings.LastExportToPath = dir.path();
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        const CFlyerData flyer = Project(dir.path());
        const QImage preview = MakeFlyer().scaled(1080, 1080);
        QList<PrintPageWork> asked;
        const PrintPageFn printPage = [&](PrintPageWork work, CXPrintPage& page, QString*) {
            asked.append(work);
            page.picture = QImage(1080, 1080, QImage::Format_RGB32);
            page.picture.fill(QColor(0, 200, 0));
            return true;
        };
        QStringList offered;
        QString initial;
        ExportAs(dir.filePath(QStringLiteral("square.jpg")), QStringLiteral("JPEG Image (*.jpg)"), &offered, &initial,
                 [&] { ExportFlyer(nullptr, settings, flyer, &preview, printPage); });
        QCOMPARE(offered, (QStringList{QStringLiteral("JPEG Image (*.jpg)"), QStringLiteral("PNG Image (*.png)")}));
        QCOMPARE(asked, QList<PrintPageWork>{PrintPageWork::Picture});
        const QImage written(dir.filePath(QStringLiteral("square.jpg")));
        QCOMPARE(written.size(), QSize(1080, 1080));
        QVERIFY(Near(written.pixelColor(0, 0), QColor(0, 200, 0)));
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
    }

    // The advertising rules are asked about before any export, a screen picture too, when they are
    // errors; as warnings (the rules off) they are only noted under the flyer.
    void adRulesAskBeforeExport()
    {
        QTemporaryDir dir;
        CAppSettings settings;
        settings.LastExportToPath = dir.path();
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        const CFlyerData flyer = Project(dir.path());
        const QImage image = MakeFlyer();
        CXFinding finding{QStringLiteral("brokerage"), QStringLiteral("brokerage"), CXFinding::Level::Error,
                          QStringLiteral("The flyer does not name your brokerage: enter its name in Options, My "
                                         "Information.")};
        const PrintPageFn printPage = [&](PrintPageWork, CXPrintPage& page, QString*) {
            page.findings = {finding};
            return true;
        };
        QStringList offered;
        QString initial;
        const auto exportAs = [&](const QString& name) {
            ExportAs(dir.filePath(name), QStringLiteral("PNG Image (*.png)"), &offered, &initial,
                     [&] { ExportFlyer(nullptr, settings, flyer, &image, printPage); });
        };

        CXMessageBoxTest::AnswerNext(MsgBox::IdNo);
        exportAs(QStringLiteral("declined.png"));
        auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, finding.message + QStringLiteral("\n\nExport anyway?"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("declined.png"))));

        finding.level = CXFinding::Level::Warning;
        exportAs(QStringLiteral("warned.png"));
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("warned.png"))));

        // Under the canvas: a line per finding, and nothing once they are gone.
        QWidget canvas;
        canvas.resize(400, 500);
        ShowFindingsNote(&canvas, {finding});
        auto* note = canvas.findChild<QLabel*>(QStringLiteral("IDC_ST_ADRULES"));
        QVERIFY(note);
        QCOMPARE(note->text(), QStringLiteral("Note: ") + finding.message);
        QVERIFY(!note->isHidden());
        finding.level = CXFinding::Level::Error;
        ShowFindingsNote(&canvas, {finding, finding});
        QCOMPARE(note->text().count(QStringLiteral("Advertising rules: ")), 2);
        ShowFindingsNote(&canvas, {});
        QVERIFY(note->isHidden());
        QCOMPARE(canvas.findChildren<QLabel*>().size(), 1);
    }

    // The press-ready type: its "Add crop marks" check box works only for it and is remembered; errors
    // of the press checks are named before the page is made, and the page is the press page asked for.
    void exportPressReady()
    {
        QTemporaryDir dir;
        CAppSettings settings;
        settings.LastExportToPath = dir.path();
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        const CFlyerData flyer = Project(dir.path());
        const QImage image = MakeFlyer();
        const QByteArray pdf = "%PDF-1.4\n%press\n";
        QList<PrintPageWork> asked;
        const PrintPageFn printPage = [&](PrintPageWork work, CXPrintPage& page, QString*) {
            asked.append(work);
            page.pressFindings = {CXFinding{QStringLiteral("safe-zone"), QStringLiteral("price"),
                                            CXFinding::Level::Error,
                                            QStringLiteral("The price in T comes within 0.05 in of the page's edge.")},
                                  CXFinding{QStringLiteral("min-size"), QStringLiteral("disclaimer"),
                                            CXFinding::Level::Warning, QStringLiteral("Small text.")}};
            page.pdf = work == PrintPageWork::PreflightOnly ? QByteArray() : pdf;
            return true;
        };
        const auto exportAs = [&](const QString& name, const QString& filter, std::optional<bool> tick,
                                  bool* markEnabledForPress) {
            QTimer driver;
            bool typed = false;
            QObject::connect(&driver, &QTimer::timeout, [&] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                auto* edit = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
                auto* marks = dialog ? dialog->findChild<QCheckBox*>(QStringLiteral("IDC_CHECK_CROPMARKS")) : nullptr;
                if (!edit || !marks)
                    return;
                if (!typed) {
                    dialog->selectNameFilter(PrintQualityPdfFilter());
                    Q_EMIT dialog->filterSelected(PrintQualityPdfFilter());
                    const bool offForPrint = !marks->isEnabled();
                    dialog->selectNameFilter(filter);
                    Q_EMIT dialog->filterSelected(filter);
                    *markEnabledForPress = offForPrint && marks->isEnabled();
                    if (tick)
                        marks->setChecked(*tick);
                    edit->setText(name);
                    typed = true;
                    return;
                }
                driver.stop();
                QMetaObject::invokeMethod(dialog, "accept");
            });
            driver.start(20);
            ExportFlyer(nullptr, settings, flyer, &image, printPage);
        };

        bool enabled = false;
        CXMessageBoxTest::AnswerNext(MsgBox::IdNo);
        exportAs(QStringLiteral("declined.pdf"), PressPdfFilter(), true, &enabled);
        QVERIFY(enabled);
        auto questions = CXMessageBoxTest::TakeAsked();
        QCOMPARE(questions.size(), 1);
        QVERIFY2(questions[0].text.startsWith(QStringLiteral("The price in T comes within 0.05 in")) &&
                     !questions[0].text.contains(QStringLiteral("Small text.")),
                 qPrintable(questions[0].text));
        QCOMPARE(asked, QList<PrintPageWork>{PrintPageWork::PreflightOnly});
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("declined.pdf"))));

        asked.clear();
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        exportAs(QStringLiteral("marked.pdf"), PressPdfFilter(), true, &enabled);
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 1);
        QCOMPARE(asked, (QList<PrintPageWork>{PrintPageWork::PreflightOnly, PrintPageWork::PressWithMarks}));
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("marked.pdf"))), pdf);
        CAppSettings stored;
        stored.LoadSettings();
        QCOMPARE(stored.LastExportFilter, PressPdfFilter());
        QCOMPARE(stored.ExportCropMarks, 1);

        // Remembered: ticked next time without a touch; unticked, the press page has no marks.
        asked.clear();
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        exportAs(QStringLiteral("again.pdf"), PressPdfFilter(), std::nullopt, &enabled);
        CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.value(1), PrintPageWork::PressWithMarks);
        asked.clear();
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        exportAs(QStringLiteral("plain.pdf"), PressPdfFilter(), false, &enabled);
        CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.value(1), PrintPageWork::Press);

        // The print-quality type names no press finding.
        asked.clear();
        exportAs(QStringLiteral("office.pdf"), PrintQualityPdfFilter(), std::nullopt, &enabled);
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QCOMPARE(asked.value(1), PrintPageWork::Pdf);
    }

    void exportPrintSizePicture_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("JPEG") << "JPEG Image (print size) (*.jpg)"
                              << "flyer.jpg" << QByteArray("jpeg");
        QTest::newRow("PNG") << "PNG Image (print size) (*.png)"
                             << "flyer.png" << QByteArray("png");
    }

    // The pictures of the print-quality page: 300 ppi, the size the command line's print export has.
    void exportPrintSizePicture()
    {
        QFETCH(QString, filter);
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        QTemporaryDir dir;
        CAppSettings settings;
        settings.LastExportToPath = dir.path();
        settings.Path2TempFolder = dir.filePath(QStringLiteral("Temp"));
        const CFlyerData flyer = Project(dir.path());
        const QImage image = MakeFlyer();
        // A real one-page Letter PDF stands in for the engine's.
        const QString jpeg = dir.filePath(QStringLiteral("page.jpg"));
        const QString pagePdf = dir.filePath(QStringLiteral("page.pdf"));
        QVERIFY(SaveIntermediateJpeg(image, jpeg));
        QVERIFY(ConvertJpegToPdf(jpeg, pagePdf));
        const QByteArray pdf = ReadAll(pagePdf);
        const PrintPageFn printPage = [&](PrintPageWork work, CXPrintPage& page, QString*) {
            page.pdf = work == PrintPageWork::Pdf ? pdf : QByteArray();
            return true;
        };
        QStringList offered;
        QString initial;
        const QString path = dir.filePath(name);
        ExportAs(path, filter, &offered, &initial, [&] { ExportFlyer(nullptr, settings, flyer, &image, printPage); });
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QImageReader reader(path);
        QCOMPARE(reader.format(), format);
        QCOMPARE(reader.size(), QSize(2550, 3300));
        QCOMPARE(settings.LastExportFilter, filter);
    }
};

QTEST_MAIN(TestOutputCommands)
#include "tst_outputcommands.moc"
