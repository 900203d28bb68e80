#include "../imaging/fixtures.h"
#include "controls/messageboxtypes.h"
#include "controls/ui/messagebox.h"
#include "controls/ui/picturest.h"
#include "flyer/listingextras.h"
#include "projects/ui/flyerdetailsdlg.h"
#include "projects/ui/photocropdlg.h"
#include "settings/appsettings.h"
#include "support/dialogs.h"
#include "support/urlcatcher.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QTimeEdit>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

// Made after all the dialog's controls, so deleted after them.
struct CXFocusReportOnDelete : QObject
{
    using QObject::QObject;
    ~CXFocusReportOnDelete() override { Q_EMIT qApp->focusChanged(nullptr, nullptr); }
};

} // namespace

using TestSupport::Child;
using TestSupport::kPatienceMs;
using TestSupport::WhenShown;
using Id = FlyerDetailsId;

class TestFlyerDetails : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString MakePhoto(const QString& name, int width, int height)
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(40, 90, 160));
        if (!image.save(path))
            qFatal("fixture photo not written: %s", qPrintable(path));
        return path;
    }

    // Presses a photo button and answers the file chooser it opens with `file` (or cancels it when
    // empty). Returns the folder the chooser opened in, or "no chooser" when none opened.
    static QString ChoosePhoto(CDLGFlyerDetails& dialog, int slot, const QString& file)
    {
        QString opened = QStringLiteral("no chooser");
        const auto watch = WhenShown<QFileDialog>([&opened, file](QFileDialog& chooser) {
            opened = chooser.directory().absolutePath();
            if (file.isEmpty()) {
                chooser.reject();
                return;
            }
            chooser.selectFile(file);
            static_cast<QDialog&>(chooser).accept();
        });
        Child<QPushButton>(dialog, SlotId(Id::ChoosePhoto1, slot))->click();
        watch->Stop(); // a chooser would have come and gone inside the click
        return opened;
    }

private Q_SLOTS:
    void init() { CXMessageBoxTest::Clear(); }

    void newModeShowsDefaultsAndNeedsMainPhoto()
    {
        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.m_bNewMode = 1;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("New Flyer Project - Listora"));
        QCOMPARE(Child<QLineEdit>(dialog, Id::Caption)->text(), QStringLiteral("New Listing"));
        QCOMPARE(Child<QLineEdit>(dialog, Id::MLSNumber)->text(), QStringLiteral("MLS# "));
        QCOMPARE(Child<QLineEdit>(dialog, Id::CityStateZip)->text(), QStringLiteral("City|State|Zip code"));
        QCOMPARE(Child<QLineEdit>(dialog, Id::Feature4)->text(), QStringLiteral("Year Built"));
        QCOMPARE(CDLGFlyerDetails::DefaultDescription().size(), 275);
        QCOMPARE(Child<QPlainTextEdit>(dialog, Id::Description)->toPlainText().split(QStringLiteral("\n\n")).size(), 3);
        QCOMPARE(Child<QPushButton>(dialog, Id::ChoosePhoto1)->text(), QStringLiteral("Choose Main Photo"));
        QCOMPARE(Child<QPushButton>(dialog, Id::ChoosePhoto4)->text(), QStringLiteral("Choose Photo #4"));
        QCOMPARE(Child<CXPictureST>(dialog, Id::Photo1)->GetText(), QStringLiteral("Main Photo"));
        QCOMPARE(Child<CXPictureST>(dialog, Id::Photo1)->GetMode(), int(CXPictureST::ModeText));

        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        Child<QPushButton>(dialog, Id::Save)->click();
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Please choose a main photo for this flyer project."));
        QCOMPARE(asked[0].caption, QStringLiteral("Listora"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget(), Child<QWidget>(dialog, Id::ChoosePhoto1));
    }

    void enterOrAcceptNeverSkipsTheChecks()
    {
        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.m_bNewMode = 1;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QLineEdit* caption = Child<QLineEdit>(dialog, Id::Caption);
        caption->clear();
        Child<QLineEdit>(dialog, Id::Price)->clear();
        caption->setFocus();
        QTest::keyClick(caption, Qt::Key_Return);
        QTest::keyClick(caption, Qt::Key_Enter);
        QVERIFY(dialog.isVisible());

        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        dialog.accept();
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Please provide a 'Listing Caption.'"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(QApplication::focusWidget(), caption);
        QCOMPARE(dialog.m_strCaption, QStringLiteral("New Listing")); // members untouched by a refused Save
    }

    // A description too long for a flyer is refused on Save, naming the field and its limit.
    void tooLongDescriptionIsRefused()
    {
        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.m_bNewMode = 1;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* description = Child<QPlainTextEdit>(dialog, Id::Description);
        description->setPlainText(QString(512 * 1024, QLatin1Char('x')));

        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        Child<QPushButton>(dialog, Id::Save)->click();
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("The 'Listing Description' holds 524,288 characters; at most 65,536 are "
                                               "allowed. Please shorten it."));
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget(), description);
    }

    void photosAreCheckedChosenAndCleared()
    {
        const QString main = MakePhoto(QStringLiteral("shoot/front.jpg"), 751, 501);
        const QString small = MakePhoto(QStringLiteral("shoot/house.jpg"), 750, 500);
        const QString portrait = MakePhoto(QStringLiteral("other/tall.png"), 600, 800);
        const QString second = MakePhoto(QStringLiteral("other/garden.bmp"), 551, 351);

        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.m_bNewMode = 1;
        dialog.m_strStartFolder = QFileInfo(portrait).absolutePath();
        dialog.show();

        // Refused: the note names the file, its size and its orientation; nothing changes.
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        QCOMPARE(ChoosePhoto(dialog, 0, small), QFileInfo(portrait).absolutePath());
        auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(
            asked[0].text.endsWith(QStringLiteral("NOTE: The photo you selected 'house.jpg' properties are (Width: "
                                                  "750 pixels, Height: 500 pixels and Landscape orientation).")),
            qPrintable(asked[0].text));
        QVERIFY(dialog.m_strPhotoPaths[0].isEmpty());
        QCOMPARE(dialog.m_strStartFolder, QFileInfo(portrait).absolutePath());

        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        ChoosePhoto(dialog, 1, portrait);
        asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked[0].text.startsWith(QStringLiteral("Secondary listing photos")));
        QVERIFY(asked[0].text.contains(QStringLiteral("Portrait orientation")));

        // Accepted: the preview shows it, the button offers to clear, the chooser moves to its folder.
        ChoosePhoto(dialog, 0, main);
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QCOMPARE(dialog.m_strPhotoPaths[0], main);
        QCOMPARE(dialog.m_strStartFolder, QFileInfo(main).absolutePath());
        QVERIFY(Child<CXPictureST>(dialog, Id::Photo1)->HasPicture());
        QCOMPARE(Child<QPushButton>(dialog, Id::ChoosePhoto1)->text(), QStringLiteral("Clear Main Photo"));
        QCOMPARE(ChoosePhoto(dialog, 1, second), QFileInfo(main).absolutePath());
        QCOMPARE(Child<QPushButton>(dialog, Id::ChoosePhoto2)->text(), QStringLiteral("Clear Photo #2"));

        // A cancelled chooser changes nothing.
        ChoosePhoto(dialog, 2, QString());
        QVERIFY(dialog.m_strPhotoPaths[2].isEmpty());

        // A filled slot clears without a chooser, and Save then goes through without it.
        QCOMPARE(ChoosePhoto(dialog, 1, second), QStringLiteral("no chooser"));
        QVERIFY(dialog.m_strPhotoPaths[1].isEmpty());
        QCOMPARE(Child<QPushButton>(dialog, Id::ChoosePhoto2)->text(), QStringLiteral("Choose Photo #2"));
        QCOMPARE(Child<CXPictureST>(dialog, Id::Photo2)->GetMode(), int(CXPictureST::ModeText));
        Child<QPushButton>(dialog, Id::Save)->click();
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_strPhotoPaths[0], main);
        QVERIFY(dialog.m_strPhotoPaths[1].isEmpty());
        QCOMPARE(dialog.m_strStartFolder, QFileInfo(second).absolutePath());
    }

    // A file that is no picture is named as such, not described as 0 x 0 pixels; a photo whose
    // copy stopped half-way is refused, not turned grey at the bottom.
    void unusablePhotoFilesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("text named .jpg") << "notes.jpg"
                                         << "notes.jpg is not a picture that Listora can open (JPEG, PNG or BMP).";
        QTest::newRow("cut-off JPEG") << "cut.jpg"
                                      << "cut.jpg is damaged or incomplete and cannot be used.";
        // Not "Width: 0 pixels": the true reason, with the true size.
        QTest::newRow("too large") << "huge.jpg"
                                   << "huge.jpg is too large to open (30000 x 20000 pixels; at most 200 million "
                                      "pixels).";
        QTest::newRow("gif") << "plan.gif"
                             << "plan.gif is not a picture that Listora can open (JPEG, PNG or BMP).";
    }

    void unusablePhotoFilesAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        const QString whole = MakePhoto(QStringLiteral("unusable/whole.jpg"), 1200, 800);
        QFile source(whole);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = name == QLatin1String("cut.jpg")    ? source.readAll().left(source.size() / 2)
                                 : name == QLatin1String("huge.jpg") ? Fixtures::JpegClaiming(QSize(30000, 20000))
                                 : name == QLatin1String("plan.gif") ? Fixtures::TinyGif()
                                                                     : QByteArray("Call the seller on Friday.\n");
        const QString path = m_dir.filePath(QStringLiteral("unusable/") + name);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();

        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.m_bNewMode = 1;
        dialog.show();
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        ChoosePhoto(dialog, 0, path);
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, message);
        QVERIFY(dialog.m_strPhotoPaths[0].isEmpty());
    }

    void editModeTextsFeaturesAndLineBreaks()
    {
        const QString kept = MakePhoto(QStringLiteral("project/_photo01.jpg"), 600, 450);
        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.m_strCaption = QStringLiteral("Just Listed");
        dialog.m_strDescription = QStringLiteral("Bright.\r\n\r\nQuiet<br>street.");
        dialog.m_strPhotoPaths = {kept, m_dir.filePath(QStringLiteral("project/_photo02.jpg")), QString(), QString()};
        const QString tooLong = QStringLiteral("Three car garage, heated");
        dialog.m_strFeatures[3] = tooLong;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit Flyer Project - Listora"));
        QCOMPARE(Child<QPushButton>(dialog, Id::ChoosePhoto1)->text(), QStringLiteral("Clear Main Photo"));
        // A photo whose file has gone leaves its slot empty.
        QCOMPARE(Child<QPushButton>(dialog, Id::ChoosePhoto2)->text(), QStringLiteral("Choose Photo #2"));
        QCOMPARE(Child<QPlainTextEdit>(dialog, Id::Description)->toPlainText(),
                 QStringLiteral("Bright.\n\nQuiet\nstreet."));

        // The edit refuses a 19th character, but a longer line from the project is kept whole...
        QLineEdit* first = Child<QLineEdit>(dialog, Id::Feature1);
        first->setText(QString(18, QLatin1Char('a')));
        first->setFocus();
        first->end(false);
        QTest::keyClicks(first, QStringLiteral("bc"));
        QCOMPARE(first->text(), QString(18, QLatin1Char('a')));
        QLineEdit* fourth = Child<QLineEdit>(dialog, Id::Feature4);
        QCOMPARE(fourth->text(), tooLong);
        fourth->setFocus();
        fourth->end(false);
        QTest::keyClick(fourth, Qt::Key_X);
        QCOMPARE(fourth->text(), tooLong);

        // ...and stops Save with its own warning before any other check.
        Child<QLineEdit>(dialog, Id::Caption)->clear();
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        Child<QPushButton>(dialog, Id::Save)->click();
        auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Enter no more than 18 characters."));
        QCOMPARE(asked[0].type & MsgBox::IconMask, quint32(MsgBox::IconExclamation));
        QCOMPARE(QApplication::focusWidget(), fourth);

        fourth->setText(QStringLiteral("Garage"));
        Child<QLineEdit>(dialog, Id::Caption)->setText(QStringLiteral("Just Listed"));
        QPlainTextEdit* description = Child<QPlainTextEdit>(dialog, Id::Description);
        description->clear();
        description->setFocus();
        QTest::keyClicks(description, QStringLiteral("First line"));
        QTest::keyClick(description, Qt::Key_Return);
        QTest::keyClicks(description, QStringLiteral("second line"));
        Child<QPushButton>(dialog, Id::Save)->click();
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_strDescription, QStringLiteral("First line<br>second line"));
        QCOMPARE(dialog.m_strFeatures[0], QString(18, QLatin1Char('a')));
        QCOMPARE(dialog.m_strFeatures[3], QStringLiteral("Garage"));
        QCOMPARE(dialog.m_strPhotoPaths[0], kept);
    }

    // A photo whose original would print under 150 ppi where the theme draws it gets a note under
    // its preview: the project's original counts, not its reduced copy; a photo just chosen counts as
    // it is; a cleared slot or one the theme does not show has none.
    void printNotes()
    {
        const QString reduced = MakePhoto(QStringLiteral("notes/_photo01.jpg"), 600, 400);
        MakePhoto(QStringLiteral("notes/_original01.jpg"), 2400, 1600);
        const QString small = MakePhoto(QStringLiteral("notes/small.jpg"), 900, 600);
        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        CXPictureBox main;
        main.box = QRectF(32, 120, 752, 380); // Gallery's main photo
        main.fit = QStringLiteral("cover");
        dialog.m_printBoxes[0] = main;
        dialog.m_printBoxes[1] = main;
        dialog.m_strPhotoPaths = {reduced, small, small, QString()};
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const auto note = [&](int slot) {
            auto* label = dialog.findChild<QLabel*>(QStringLiteral("idPrintNote%1").arg(slot));
            return label && label->isVisible() ? label->text() : QString();
        };
        QCOMPARE(note(1), QString());
        QCOMPARE(note(2), QStringLiteral("Prints at 115 ppi in this theme: small for print."));
        QCOMPARE(note(3), QString());      // the theme does not show photo 3
        ChoosePhoto(dialog, 1, QString()); // clears slot 2
        QCOMPARE(note(2), QString());
        QVERIFY(QFile::remove(m_dir.filePath(QStringLiteral("notes/_original01.jpg"))));
        ChoosePhoto(dialog, 1, small);
        QCOMPARE(note(2), QStringLiteral("Prints at 115 ppi in this theme: small for print."));
        dialog.reject();
    }

    // A project photo damaged since it was taken in is named under its preview, as the intake names it.
    void damagedProjectPhotoIsNamed()
    {
        const QString whole = MakePhoto(QStringLiteral("damaged/whole.jpg"), 600, 400);
        QFile source(whole);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QString photo = m_dir.filePath(QStringLiteral("damaged/_photo01.jpg"));
        QFile file(photo);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(source.readAll().left(700)) == 700);
        file.close();
        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.m_strPhotoPaths = {photo, QString(), QString(), QString()};
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* label = dialog.findChild<QLabel*>(QStringLiteral("idPrintNote1"));
        QVERIFY(label && label->isVisible());
        QCOMPARE(label->text(), QStringLiteral("_photo01.jpg is damaged or incomplete and cannot be used."));
        dialog.reject();
    }

    // The record goes into the dialog and back through one pair of functions; while the dialog is
    // open every edit is announced and the draft carries it, with the rest of the record kept.
    void recordRoundTripAndLiveDraft()
    {
        const QString kept = MakePhoto(QStringLiteral("draft/_photo01.jpg"), 600, 450);
        const QString chosen = MakePhoto(QStringLiteral("draft/porch.jpg"), 800, 500);
        CFlyerData record;
        record.Reset();
        record.m_strTheme = QStringLiteral("Gallery - KT401");
        record.m_strCaption = QStringLiteral("Just Listed");
        record.m_strDescription = QStringLiteral("One<br>Two");
        record.m_strFeatures = {QStringLiteral("3 Beds"), QString(), QString(), QStringLiteral("1998")};
        record.m_photos[0].m_strPath = kept;
        record.m_strPhotoFolder = m_dir.path();
        CListingExtras extras;
        extras.m_strListingUrl = QStringLiteral("https://example.com/23");
        extras.m_crops[0] = QRect(0, 0, 600, 400);

        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.LoadFromRecord(record, extras);
        QSignalSpy changed(&dialog, &CDLGFlyerDetails::DraftChanged);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(changed.size(), 0); // filling the controls is no edit
        QCOMPARE(Child<QPlainTextEdit>(dialog, Id::Description)->toPlainText(), QStringLiteral("One\nTwo"));
        QCOMPARE(dialog.DraftRecord(), record);

        QLineEdit* price = Child<QLineEdit>(dialog, Id::Price);
        price->setFocus();
        price->selectAll();
        QTest::keyClicks(price, QStringLiteral("$9"));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(dialog.DraftRecord().m_strPrice, QStringLiteral("$9"));
        QPlainTextEdit* description = Child<QPlainTextEdit>(dialog, Id::Description);
        description->moveCursor(QTextCursor::End);
        QTest::keyClick(description, Qt::Key_Return);
        QCOMPARE(dialog.DraftRecord().m_strDescription, QStringLiteral("One<br>Two<br>"));
        ChoosePhoto(dialog, 1, chosen);
        QCOMPARE(changed.size(), 4);
        const CFlyerData draft = dialog.DraftRecord();
        QCOMPARE(draft.m_photos[1].m_strPath, chosen);
        QCOMPARE(draft.m_strId, record.m_strId);
        QCOMPARE(draft.m_strTheme, record.m_strTheme);
        QCOMPARE(dialog.DraftListingUrl(), extras.m_strListingUrl);
        Child<QPushButton>(dialog, Id::Save)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        CFlyerData back = record;
        CListingExtras backExtras;
        dialog.SaveToRecord(back, backExtras);
        QCOMPARE(back, draft);
        QCOMPARE(back.m_strPhotoFolder, QFileInfo(chosen).absolutePath());
        QCOMPARE(backExtras.m_strListingUrl, extras.m_strListingUrl);
        QCOMPARE(backExtras.m_crops[0], extras.m_crops[0]);
    }

    // The listing status drop-down with its open house pickers: followed by the live draft, checked on
    // Save, and an open house kept while another status is chosen.
    void statusAndOpenHouse()
    {
        const QString kept = MakePhoto(QStringLiteral("status/_photo01.jpg"), 800, 520);
        CFlyerData record;
        record.Reset();
        record.m_photos[0].m_strPath = kept;
        record.m_strPhotoFolder = m_dir.path();
        CListingExtras extras;
        extras.m_status = ListingStatus::Sold;
        extras.m_openHouse = COpenHouse{QDate(2027, 3, 7), QTime(13, 0), QTime(16, 0)};

        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.LoadFromRecord(record, extras);
        QSignalSpy changed(&dialog, &CDLGFlyerDetails::DraftChanged);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* status = dialog.findChild<QComboBox*>(QStringLiteral("IDC_COMBO_STATUS"));
        auto* date = dialog.findChild<QDateEdit*>(QStringLiteral("IDC_DATE_OPENHOUSE"));
        auto* start = dialog.findChild<QTimeEdit*>(QStringLiteral("IDC_TIME_OPENSTART"));
        auto* end = dialog.findChild<QTimeEdit*>(QStringLiteral("IDC_TIME_OPENEND"));
        QVERIFY(status && date && start && end);
        QCOMPARE(status->count(), 7);
        QCOMPARE(status->currentText(), QStringLiteral("Sold"));
        QVERIFY(!date->isEnabled());
        QCOMPARE(date->date(), QDate(2027, 3, 7));
        QCOMPARE(changed.size(), 0);
        QVERIFY(!dialog.HasChanges());
        QCOMPARE(dialog.DraftExtras().StatusLine(), QStringLiteral("Sold"));

        status->setCurrentIndex(status->findText(QStringLiteral("Open House")));
        QVERIFY(date->isEnabled() && start->isEnabled() && end->isEnabled());
        QCOMPARE(changed.size(), 1);
        QCOMPARE(dialog.DraftExtras().StatusLine(), QStringLiteral("Open House Sunday, March 7, 1-4 PM"));
        end->setTime(QTime(17, 30));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(dialog.DraftExtras().StatusLine(), QStringLiteral("Open House Sunday, March 7, 1-5:30 PM"));
        QVERIFY(dialog.HasChanges());

        // An open house that ends before it starts is not saved.
        end->setTime(QTime(12, 0));
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        Child<QPushButton>(dialog, Id::Save)->click();
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("The open house must end after it starts."));
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget(), end);

        end->setTime(QTime(17, 30));
        Child<QPushButton>(dialog, Id::Save)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        CFlyerData back = record;
        CListingExtras backExtras;
        dialog.SaveToRecord(back, backExtras);
        QCOMPARE(backExtras.m_status, ListingStatus::OpenHouse);
        QCOMPARE(backExtras.m_openHouse,
                 (std::optional<COpenHouse>(COpenHouse{QDate(2027, 3, 7), QTime(13, 0), QTime(17, 30)})));
    }

    // The feature being edited shows how much of its 18 characters it uses.
    void featureLineCount()
    {
        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* count = dialog.findChild<QLabel*>(QStringLiteral("IDC_ST_FEATURECOUNT"));
        QVERIFY(count);
        QVERIFY(!count->isVisible());
        QLineEdit* third = Child<QLineEdit>(dialog, Id::Feature3);
        third->setFocus();
        third->clear();
        QTest::keyClicks(third, QStringLiteral("2,850 Sq. Ft."));
        QVERIFY(count->isVisible());
        QCOMPARE(count->text(), QStringLiteral("13/18"));
        QTest::keyClicks(third, QStringLiteral(" living"));
        QCOMPARE(third->text(), QStringLiteral("2,850 Sq. Ft. livi"));
        QCOMPARE(count->text(), QStringLiteral("18/18"));
        // Beside the edit being typed in.
        QVERIFY(qAbs(count->geometry().right() - third->geometry().right()) <= 1);
        QVERIFY(count->geometry().bottom() <= third->geometry().top());
        Child<QLineEdit>(dialog, Id::Caption)->setFocus();
        QVERIFY(!count->isVisible());
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes); // discard the typing
        dialog.reject();
    }

    // The preview pane widens the dialog to the right; the classic controls stay where they are.
    void previewPaneWidensTheDialog()
    {
        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const QSize classic = dialog.size();
        const QRect save = Child<QPushButton>(dialog, Id::Save)->geometry();
        auto* toggle = dialog.findChild<QPushButton*>(QStringLiteral("IDC_BTN_PREVIEW"));
        auto* pane = dialog.findChild<QWidget*>(QStringLiteral("IDC_ST_PREVIEW"));
        QVERIFY(toggle && pane && !pane->isVisible());
        toggle->click();
        QVERIFY(pane->isVisible());
        QCOMPARE(dialog.height(), classic.height());
        QVERIFY(dialog.width() > classic.width() + classic.height() / 2);
        QCOMPARE(pane->geometry().left(), classic.width());
        QCOMPARE(Child<QPushButton>(dialog, Id::Save)->geometry(), save);
        toggle->click();
        QCOMPARE(dialog.size(), classic);
        dialog.reject();
    }

    void cancelAsksBeforeDroppingEdits_data()
    {
        QTest::addColumn<QString>("edit"); // "", "caption", "caption undone", "photo"
        QTest::addColumn<int>("confirm");  // ConfirmSaveBeforeClosing
        QTest::addColumn<bool>("escape");  // Escape rather than the Cancel button
        QTest::addColumn<int>("answer");   // 0: no question expected
        QTest::addColumn<bool>("closed");
        QTest::newRow("nothing changed") << "" << 1 << false << 0 << true;
        QTest::newRow("typed and undone") << "caption undone" << 1 << true << 0 << true;
        QTest::newRow("typed, discard") << "caption" << 1 << true << int(MsgBox::IdYes) << true;
        QTest::newRow("typed, keep") << "caption" << 1 << false << int(MsgBox::IdNo) << false;
        QTest::newRow("photo chosen, keep") << "photo" << 1 << true << int(MsgBox::IdNo) << false;
        QTest::newRow("question switched off") << "caption" << 0 << false << 0 << true;
    }

    // Cancel and Escape close at once when nothing was changed; typed or chosen edits are dropped
    // only after a Yes, unless that question is switched off.
    void cancelAsksBeforeDroppingEdits()
    {
        QFETCH(QString, edit);
        QFETCH(int, confirm);
        QFETCH(bool, escape);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        CAppSettings settings;
        settings.ConfirmSaveBeforeClosing = confirm;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.m_bNewMode = 1;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QLineEdit* caption = Child<QLineEdit>(dialog, Id::Caption);
        if (edit.startsWith(QStringLiteral("caption"))) {
            caption->setFocus();
            QTest::keyClick(caption, Qt::Key_End);
            QTest::keyClicks(caption, QStringLiteral("x"));
            if (edit.endsWith(QStringLiteral("undone")))
                QTest::keyClick(caption, Qt::Key_Backspace);
        } else if (edit == QStringLiteral("photo")) {
            ChoosePhoto(dialog, 1, MakePhoto(QStringLiteral("cancel/second.jpg"), 800, 500));
            QVERIFY(!dialog.m_strPhotoPaths[1].isEmpty());
        }

        if (answer)
            CXMessageBoxTest::AnswerNext(answer);
        if (escape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            Child<QPushButton>(dialog, Id::Cancel)->click();
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), answer ? 1 : 0);
        if (answer)
            QCOMPARE(asked[0].text, QStringLiteral("Discard the changes to this flyer?"));
        QCOMPARE(dialog.isVisible(), !closed);
        if (closed)
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.m_strCaption, QStringLiteral("New Listing")); // Cancel takes nothing over
        if (!closed && edit == QStringLiteral("caption"))
            QCOMPARE(caption->text(), QStringLiteral("New Listingx"));
    }

    // A dialog that goes while one of its edits has the focus: the focus leaves that edit while
    // the edits the feature counter looks at are already gone.
    void closingWithTheFocusInside()
    {
        CAppSettings settings;
        for (int round = 0; round < 20; ++round) {
            auto* dialog = new CDLGFlyerDetails(nullptr, settings);
            dialog->show();
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            Child<QLineEdit>(*dialog, Id::Feature2)->setFocus();
            // Created after the features, so deleted after them.
            QWidget* last = round % 2 ? static_cast<QWidget*>(Child<QPushButton>(*dialog, Id::Save))
                                      : dialog->findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_LISTINGURL"));
            last->setFocus();
            QCOMPARE(QApplication::focusWidget(), last);
            // As after exec(): hidden, and gone before the window system has moved the focus. Where
            // the focus leaves a control the dialog deletes after its edits (the window system
            // decides when), the application reports the change from inside the deletion.
            dialog->hide();
            new CXFocusReportOnDelete(dialog);
            delete dialog;
        }
    }

    // A start folder that does not exist opens the nearest one that does, with no file name typed.
    void photoChooserStartsWithoutAName()
    {
        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.m_strStartFolder = m_dir.filePath(QStringLiteral("gone/Pictures"));
        dialog.show();
        QString typed = QStringLiteral("no chooser");
        QString folder;
        WhenShown<QFileDialog>([&](QFileDialog& chooser) {
            auto* name = chooser.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            typed = name ? name->text() : QStringLiteral("no name edit");
            folder = chooser.directory().absolutePath();
            chooser.reject();
        });
        Child<QPushButton>(dialog, Id::ChoosePhoto1)->click();
        QCOMPARE(typed, QString());
        QCOMPARE(folder, QDir(m_dir.path()).absolutePath());
    }

    void helpOpensTheTutorialAnchor()
    {
        TestSupport::UrlCatcher catcher({QStringLiteral("file")});
        CAppSettings settings;
        settings.Path2Help = qEnvironmentVariable("LISTORA_DATA_DIR") + QStringLiteral("/Help");
        settings.Path2TempFolder = m_dir.path();
        CDLGFlyerDetails dialog(nullptr, settings);
        Child<QPushButton>(dialog, Id::Help)->click();
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QCOMPARE(catcher.urls.size(), 1);
        // The anchor survives the browser launch through a forwarding page.
        QFile page(catcher.urls[0].toLocalFile());
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString expected = QUrl::fromLocalFile(settings.Path2Help + QStringLiteral("/Tutorial.htm")).toString() +
                                 QStringLiteral("#newFlyer");
        QVERIFY2(QString::fromUtf8(page.readAll()).contains(expected), qPrintable(expected));
    }

    void portraitPhotoIsTakenThroughACrop()
    {
        const QString portrait = MakePhoto(QStringLiteral("crop/tall.jpg"), 1200, 1600);
        CAppSettings settings;
        CDLGFlyerDetails dialog(nullptr, settings);
        dialog.m_bNewMode = 1;
        dialog.m_strStartFolder = QFileInfo(portrait).absolutePath();
        dialog.show();

        // Refused as a whole, with the way out named.
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        ChoosePhoto(dialog, 0, portrait);
        auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].text.endsWith(QStringLiteral("press \"Crop...\" under the photo.")),
                 qPrintable(asked[0].text));
        QVERIFY(dialog.m_strPhotoPaths[0].isEmpty());

        // Crop... on the empty slot: the chooser, then the frame, which starts as the largest 3:2 band
        // and is moved to the top by dragging it.
        auto frame = std::make_shared<QRect>();
        WhenShown<QFileDialog>(
            [portrait, frame](QFileDialog& chooser) {
                WhenShown<CDLGPhotoCrop>(
                    [frame](CDLGPhotoCrop& dialog) {
                        CDLGPhotoCrop* crop = &dialog;
                        CXCropView* view = crop->View();
                        *frame = view->Crop();
                        const QRect shown = view->PictureRect();
                        const QPoint inside = shown.center();
                        QTest::mousePress(view, Qt::LeftButton, {}, inside);
                        QTest::mouseMove(view, inside - QPoint(0, shown.height()));
                        QTest::mouseRelease(view, Qt::LeftButton, {}, inside - QPoint(0, shown.height()));
                        crop->findChild<QPushButton*>(QStringLiteral("IDOK"))->click();
                    },
                    kPatienceMs);
                chooser.selectFile(portrait);
                static_cast<QDialog&>(chooser).accept();
            },
            kPatienceMs);
        dialog.findChild<QPushButton*>(QStringLiteral("IDC_BTN_CROP1"))->click();
        QCOMPARE(*frame, QRect(0, 400, 1200, 800));
        QCOMPARE(dialog.m_strPhotoPaths[0], portrait);
        QCOMPARE(dialog.m_crops[0], std::optional<QRect>(QRect(0, 0, 1200, 800)));
        QVERIFY(Child<CXPictureST>(dialog, Id::Photo1)->HasPicture());

        // A web address that is not http or https is refused on Save, with the focus on its edit.
        auto* url = dialog.findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_LISTINGURL"));
        url->setText(QStringLiteral("www.homes.example/12"));
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        Child<QPushButton>(dialog, Id::Save)->click();
        asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked[0].text.contains(QStringLiteral("'Listing web address'")));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), url);

        url->setText(QStringLiteral(" https://homes.example/12 "));
        Child<QPushButton>(dialog, Id::Save)->click();
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_strListingUrl, QStringLiteral("https://homes.example/12"));
    }
};

QTEST_MAIN(TestFlyerDetails)
#include "tst_flyerdetails.moc"
