// The live flyer with the real window, dialogs and render worker, off-screen.
#include "compose/ui/canvas.h"
#include "controls/messageboxtypes.h"
#include "controls/ui/messagebox.h"
#include "imaging/photointake.h"
#include "mainwin/livedraft.h"
#include "mainwin/mainids.h"
#include "mainwin/ui/maindialog.h"
#include "options/ui/optionsmyinfopage.h"
#include "options/ui/propertysheet.h"
#include "projects/projectstore.h"
#include "projects/ui/flyerdetailsdlg.h"
#include "support/dialogs.h"
#include "support/folders.h"
#include "support/settingsstore.h"
#include "windowfixture.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// Nothing on its way: no render, no draft waiting, no photo copy being made.
bool Settled(CMainDialog& window)
{
    return QTest::qWaitFor(
        [&] {
            return !window.IsRenderPending() && !window.IsMakingCovers() &&
                   (!window.LiveDraft() || window.LiveDraft()->IsIdle());
        },
        30000);
}

// Each file of a folder with its size and time, to see that nothing was written there.
QStringList Listing(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files << QStringLiteral("%1 %2 %3")
                     .arg(it.fileName())
                     .arg(it.fileInfo().size())
                     .arg(it.fileInfo().lastModified().toMSecsSinceEpoch());
    }
    files.sort();
    return files;
}

// Pixels within a small distance of colour, every second pixel in both directions.
int CountNear(const QImage& image, const QColor& color)
{
    int count = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - color.red()) + qAbs(c.green() - color.green()) + qAbs(c.blue() - color.blue()) < 30)
                ++count;
        }
    return count;
}

} // namespace

using TestSupport::Child;
using TestSupport::kPatienceMs;
using TestSupport::SavePath;
using TestSupport::WhenShown;

class TestLivePreview : public QObject
{
    Q_OBJECT

    QTemporaryDir m_photos;
    QString m_mainPhoto;
    QString m_secondPhoto;

    std::unique_ptr<CMainDialog> StartWindow() { return ShowMainWindow(Settled); }

    // A saved project with one photo, open in the window.
    QString OpenProject(CMainDialog& window)
    {
        CFlyerData data;
        data.Reset();
        data.m_strMLS = QStringLiteral("MLS# 23");
        data.m_strCaption = QStringLiteral("Harbour Loft");
        data.m_strAddress = QStringLiteral("12 Quay Street");
        data.m_strCityStateZip = QStringLiteral("Bayport, CA 94000");
        data.m_strTheme = QStringLiteral("Simple - KT101");
        data.m_strFont = QStringLiteral("Tahoma");
        data.m_crColor = 0x00B16300;
        data.m_photos[0].m_strPath = m_mainPhoto;
        const QString folder = ProjectFolderPath(window.AppSettings().strPath2FlyerProjects, data.m_strId);
        CreateProjectFolder(folder);
        std::array<QString, 4> paths{m_mainPhoto};
        ProcessPhotos(folder, paths);
        data.m_photos[0].m_strPath = paths[0];
        data.SetPathName(ProjectFilePath(folder));
        if (!data.Save().IsOk())
            qWarning("fixture project not written");
        if (!window.OpenProjectFile(data.m_strPathName))
            qWarning("fixture project not opened");
        Settled(window);
        return data.m_strPathName;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_mainPhoto = m_photos.filePath(QStringLiteral("house.jpg"));
        QImage photo(1200, 800, QImage::Format_RGB32);
        photo.fill(QColor(90, 120, 60));
        QVERIFY(photo.save(m_mainPhoto));
        // A camera-sized photo in a colour the flyer has nowhere else.
        m_secondPhoto = m_photos.filePath(QStringLiteral("garden.jpg"));
        QImage second(4000, 3000, QImage::Format_RGB32);
        second.fill(QColor(200, 30, 160));
        QVERIFY(second.save(m_secondPhoto, "JPEG", 90));
    }

    void init()
    {
        QDir(SavePath()).removeRecursively();
        QFile::remove(QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tarnwick"),
                                QStringLiteral("Listora"))
                          .fileName());
        CXMessageBoxTest::Clear();
    }

    // Typing shows on the canvas while the dialog is open, nothing is saved or marked changed, and
    // Cancel brings back the saved flyer pixel for pixel.
    void typingChangesTheCanvasAndCancelRestores()
    {
        auto window = StartWindow();
        const QString path = OpenProject(*window);
        const QImage saved = window->FlyerImage();
        QVERIFY(!saved.isNull());
        const QStringList folderBefore = Listing(QFileInfo(path).absolutePath());

        QImage live;
        WhenShown([&](QWidget& modal) {
            auto& dialog = dynamic_cast<CDLGFlyerDetails&>(modal);
            auto* caption = Child<QLineEdit>(dialog, FlyerDetailsId::Caption);
            caption->setFocus();
            caption->selectAll();
            QTest::keyClicks(caption, QStringLiteral("Sold in a Week"));
            QVERIFY(Settled(*window));
            live = window->FlyerImage();
            QVERIFY(!window->Document().IsProjectDirty());
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes); // discard the typing
            Child<QPushButton>(dialog, FlyerDetailsId::Cancel)->click();
        });
        window->Button(IDC_BTN_DETAILS)->click();
        QVERIFY(!live.isNull());
        QVERIFY(live != saved);

        QVERIFY(Settled(*window));
        QVERIFY(window->FlyerImage() == saved);
        QVERIFY(!window->Document().IsProjectDirty());
        QCOMPARE(window->Document().FlyerData().m_strCaption, QStringLiteral("Harbour Loft"));
        QCOMPARE(Listing(QFileInfo(path).absolutePath()), folderBefore);
    }

    // A caption typed too long for the theme is named under the dialog as it is typed, and the note
    // goes when the caption fits again; the agent's logo that prints soft is named all along.
    void cutTextIsNamedWhileTyping()
    {
        {
            QSettings store = TestSupport::Store();
            store.setValue(QStringLiteral("FullName"), QStringLiteral("Dana Whitfield"));
            store.setValue(QStringLiteral("IncludeMyLogo"), 1);
        }
        QVERIFY(QDir().mkpath(SavePath()));
        QImage logo(200, 66, QImage::Format_RGB32);
        logo.fill(QColor(0, 120, 60));
        QVERIFY(logo.save(QDir(SavePath()).filePath(QStringLiteral("Logo.jpg")), "JPEG"));
        auto window = StartWindow();
        OpenProject(*window);
        QString cutNote;
        QString fittingNote;
        WhenShown([&](QWidget& modal) {
            auto& dialog = dynamic_cast<CDLGFlyerDetails&>(modal);
            auto* note = dialog.findChild<QLabel*>(QStringLiteral("idFitNote"));
            QVERIFY(note);
            auto* caption = Child<QLineEdit>(dialog, FlyerDetailsId::Caption);
            caption->setFocus();
            caption->selectAll();
            QTest::keyClicks(caption, QStringLiteral("Just Listed - Ocean View Estate With Private Beach Access And "
                                                     "Guest House And A Dock For Two Boats"));
            QVERIFY(Settled(*window));
            cutNote = note->isVisible() ? note->text() : QString();
            caption->selectAll();
            QTest::keyClicks(caption, QStringLiteral("Harbour Loft"));
            QVERIFY(Settled(*window));
            fittingNote = note->isVisible() ? note->text() : QString();
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes); // discard the typing
            Child<QPushButton>(dialog, FlyerDetailsId::Cancel)->click();
        });
        window->Button(IDC_BTN_DETAILS)->click();
        QVERIFY2(cutNote.startsWith(QStringLiteral("The caption is cut after ")), qPrintable(cutNote));
        QVERIFY2(cutNote.contains(QStringLiteral("Your logo prints at ")), qPrintable(cutNote));
        QVERIFY2(!fittingNote.contains(QStringLiteral("is cut after")), qPrintable(fittingNote));
        QVERIFY2(fittingNote.startsWith(QStringLiteral("Your logo prints at ")), qPrintable(fittingNote));
    }

    // Save keeps exactly the flyer that was previewed, and writes the typed texts.
    void saveWritesWhatWasPreviewed()
    {
        auto window = StartWindow();
        const QString path = OpenProject(*window);
        const QImage saved = window->FlyerImage();

        QImage live;
        WhenShown([&](QWidget& modal) {
            auto& dialog = dynamic_cast<CDLGFlyerDetails&>(modal);
            auto* description = Child<QPlainTextEdit>(dialog, FlyerDetailsId::Description);
            description->setFocus();
            description->selectAll();
            QTest::keyClicks(description, QStringLiteral("Light all day"));
            QTest::keyClick(description, Qt::Key_Return);
            QTest::keyClicks(description, QStringLiteral("Two decks"));
            auto* feature = Child<QLineEdit>(dialog, FlyerDetailsId::Feature3);
            feature->setFocus();
            feature->selectAll();
            QTest::keyClicks(feature, QStringLiteral("2,850 Sq. Ft."));
            QVERIFY(Settled(*window));
            live = window->FlyerImage();
            Child<QPushButton>(dialog, FlyerDetailsId::Save)->click();
        });
        window->Button(IDC_BTN_DETAILS)->click();
        QVERIFY(live != saved);
        QVERIFY(Settled(*window));
        QVERIFY(window->FlyerImage() == live);
        const CFlyerData stored = StoredProject(path);
        QCOMPARE(stored.m_strDescription, QStringLiteral("Light all day<br>Two decks"));
        QCOMPARE(stored.m_strFeatures[2], QStringLiteral("2,850 Sq. Ft."));
    }

    // A photo chosen in the dialog shows at once from a copy outside the project; Cancel leaves the
    // project folder exactly as it was.
    void photoChosenThenCancelledLeavesTheProject()
    {
        auto window = StartWindow();
        const QString path = OpenProject(*window);
        const QString folder = QFileInfo(path).absolutePath();
        const QImage saved = window->FlyerImage();
        const QStringList folderBefore = Listing(folder);
        const QString second = m_secondPhoto;

        QImage live;
        QString shownFrom;
        WhenShown([&](QWidget& modal) {
            auto& dialog = dynamic_cast<CDLGFlyerDetails&>(modal);
            WhenShown<QFileDialog>(
                [second](QFileDialog& chooser) {
                    chooser.selectFile(second);
                    static_cast<QDialog&>(chooser).accept();
                },
                kPatienceMs);
            auto* mainPhoto = Child<QPushButton>(dialog, FlyerDetailsId::ChoosePhoto1);
            mainPhoto->click(); // clears it
            mainPhoto->click(); // chooses the new one
            QVERIFY(Settled(*window));
            live = window->FlyerImage();
            shownFrom = window->LiveDraft()->ShownPhotos()[0];
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes); // discard the photo
            dialog.reject();
        });
        window->Button(IDC_BTN_DETAILS)->click();

        QVERIFY2(shownFrom.startsWith(window->AppSettings().Path2TempFolder), qPrintable(shownFrom));
        // The magenta photo is on the live flyer.
        bool magenta = false;
        for (int y = 0; y < live.height() && !magenta; y += 4)
            for (int x = 0; x < live.width() && !magenta; x += 4) {
                const QColor c = live.pixelColor(x, y);
                magenta = c.red() > 170 && c.green() < 70 && c.blue() > 130;
            }
        QVERIFY(magenta);
        QVERIFY(Settled(*window));
        QVERIFY(window->FlyerImage() == saved);
        QCOMPARE(Listing(folder), folderBefore);
        QCOMPARE(StoredProject(path).m_photos[0].m_strPath, QDir(folder).filePath(QStringLiteral("_photo01.jpg")));
    }

    // A new project is drawn as it will be saved: in the options' default look, not in the colour
    // last used in the window.
    void newProjectDraftsInTheDefaultLook()
    {
        auto window = StartWindow();
        const QImage before = window->FlyerImage();
        const QColor shown = QColor(0x00, 0x63, 0xB1); // the first start's colour
        const QColor defaultColor(230, 20, 20);
        const int shownBefore = CountNear(before, shown);
        QVERIFY2(shownBefore > 500, "the theme shows no highlight colour");
        window->AppSettings().DefaultThemeColor = 0x001414E6;

        QImage live;
        WhenShown([&](QWidget& modal) {
            auto& dialog = dynamic_cast<CDLGFlyerDetails&>(modal);
            auto* caption = Child<QLineEdit>(dialog, FlyerDetailsId::Caption);
            caption->setFocus();
            QTest::keyClicks(caption, QStringLiteral(" at the Quay"));
            QVERIFY(Settled(*window));
            live = window->FlyerImage();
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
            dialog.reject();
        });
        window->Button(IDC_BTN_NEW)->click();
        QVERIFY(!live.isNull());
        QVERIFY2(CountNear(live, defaultColor) > shownBefore / 2, "the draft is not in the default colour");
        QVERIFY(CountNear(live, shown) < shownBefore / 10);
        // Cancelled: the window's own look comes back.
        QVERIFY(Settled(*window));
        QVERIFY(window->FlyerImage() == before);
    }

    // The web address typed in the dialog is the one the live flyer's QR code carries.
    void typedWebAddressIsOnTheLiveFlyer()
    {
        auto window = StartWindow();
        OpenProject(*window);
        const QString url = QStringLiteral("https://homes.example/listing/23");
        QImage live;
        WhenShown([&](QWidget& modal) {
            auto& dialog = dynamic_cast<CDLGFlyerDetails&>(modal);
            auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_LISTINGURL"));
            edit->setFocus();
            QTest::keyClicks(edit, url);
            QVERIFY(Settled(*window));
            live = window->FlyerImage();
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
            dialog.reject();
        });
        window->Button(IDC_BTN_DETAILS)->click();
        const QString png = m_photos.filePath(QStringLiteral("live-qr.png"));
        QVERIFY(live.save(png));
        QProcess zbar;
        zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), png});
        QVERIFY(zbar.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(zbar.readAllStandardOutput()).trimmed(), url);
    }

    // The dialog's own preview pane only ever trades a finished page for a finished page, also
    // when the next draft goes out the moment the last one arrives.
    void previewPaneNeverShowsABlankPage()
    {
        auto window = StartWindow();
        OpenProject(*window);
        int pages = 0;
        int blank = 0;
        WhenShown([&](QWidget& modal) {
            auto& dialog = dynamic_cast<CDLGFlyerDetails&>(modal);
            dialog.ShowPreviewPane(true);
            auto* pane = dialog.findChild<CXCanvas*>(QStringLiteral("IDC_ST_PREVIEW"));
            QVERIFY(pane);
            QVERIFY(!pane->FlyerImage().isNull());
            const auto shown = connect(window.get(), &CMainDialog::FlyerShown, pane, [&, pane] {
                ++pages;
                if (pane->FlyerImage().isNull())
                    ++blank;
            });
            auto* caption = Child<QLineEdit>(dialog, FlyerDetailsId::Caption);
            caption->setFocus();
            // A typist a little faster than the renderer: a draft is always waiting.
            for (const QChar c : QStringLiteral(" with a view of the bay")) {
                QTest::keyClicks(caption, QString(c));
                QTest::qWait(40);
            }
            QVERIFY(Settled(*window));
            disconnect(shown);
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
            dialog.reject();
        });
        window->Button(IDC_BTN_DETAILS)->click();
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        QCOMPARE(blank, 0);
    }

    // No project open: with an empty profile the preview shows the sample agent; the profile sheet
    // shows the agent's own as it is typed, Cancel restores, and once saved the preview keeps it.
    void previewWithEmptyAndFilledProfile()
    {
        auto window = StartWindow();
        QVERIFY(!window->Document().IsProjectOpen());
        const QImage sample = window->FlyerImage();
        QVERIFY(!sample.isNull());
        QTemporaryDir portraits;
        for (const auto& [name, color] : {std::pair{"red.jpg", Qt::red}, std::pair{"blue.jpg", Qt::blue}}) {
            QImage portrait(300, 400, QImage::Format_RGB32);
            portrait.fill(color);
            QVERIFY(portrait.save(portraits.filePath(QString::fromLatin1(name))));
        }

        QImage live;
        WhenShown([&](QWidget& sheet) {
            auto* name = Child<QLineEdit>(sheet, OptionsMyInfoId::FullName);
            QVERIFY(name);
            name->setFocus();
            QTest::keyClicks(name, QStringLiteral("Dana Whitfield"));
            QVERIFY(Settled(*window));
            live = window->FlyerImage();
            // A new portrait shows at once too, although it is stored under the same name.
            auto* page = sheet.findChild<CPPDLGOptionsMyInfo*>();
            QVERIFY(page);
            QVERIFY(page->AcceptMyPicture(portraits.filePath(QStringLiteral("red.jpg"))));
            QVERIFY(Settled(*window));
            const QImage red = window->FlyerImage();
            QVERIFY(red != live);
            QVERIFY(page->AcceptMyPicture(portraits.filePath(QStringLiteral("blue.jpg"))));
            QVERIFY(Settled(*window));
            QVERIFY(window->FlyerImage() != red);
            QVERIFY(page->AcceptMyPicture(portraits.filePath(QStringLiteral("red.jpg"))));
            QVERIFY(Settled(*window));
            QVERIFY(window->FlyerImage() == red);
            Child<QPushButton>(sheet, PropertySheetId::Cancel)->click();
        });
        window->EditProfile();
        QVERIFY(live != sample);
        QVERIFY(Settled(*window));
        QVERIFY(window->FlyerImage() == sample);
        QCOMPARE(window->AppSettings().FullName, QString());

        WhenShown([&](QWidget& sheet) {
            QTest::keyClicks(Child<QLineEdit>(sheet, OptionsMyInfoId::FullName), QStringLiteral("Dana Whitfield"));
            QVERIFY(Settled(*window));
            Child<QPushButton>(sheet, PropertySheetId::Save)->click();
        });
        window->EditProfile();
        QVERIFY(Settled(*window));
        QCOMPARE(window->AppSettings().FullName, QStringLiteral("Dana Whitfield"));
        QVERIFY(window->FlyerImage() != sample);
    }
};

QTEST_MAIN(TestLivePreview)
#include "tst_livepreview.moc"
