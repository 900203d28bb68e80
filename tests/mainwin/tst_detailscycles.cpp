// New and Edit with the real window on a real X server (the test runs under xvfb-run): the focus
// moves between the dialog's controls by mouse and keyboard as a user's does, and each dialog goes
// while the server has not yet taken the focus back.
#include "controls/messageboxtypes.h"
#include "controls/ui/messagebox.h"
#include "mainwin/mainids.h"
#include "mainwin/ui/maindialog.h"
#include "controls/ui/pngbutton.h"
#include "projects/ui/flyerdetailsdlg.h"
#include "support/dialogs.h"
#include "support/folders.h"
#include "windowfixture.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::Child;
using TestSupport::kPatienceMs;
using TestSupport::WhenShown;

class TestDetailsCycles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_data;
    QTemporaryDir m_photos;
    QString m_mainPhoto;

    static void ClickInto(QWidget* widget)
    {
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(4, widget->height() / 2));
    }

    static void TypeInto(QWidget* widget, const QString& text)
    {
        ClickInto(widget);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY(TestSupport::CopyTree(qEnvironmentVariable("LISTORA_DATA_DIR"), m_data.path()));
        qputenv("LISTORA_DATA_DIR", m_data.path().toLocal8Bit());
        m_mainPhoto = m_photos.filePath(QStringLiteral("house.jpg"));
        QImage photo(1200, 800, QImage::Format_RGB32);
        photo.fill(QColor(90, 120, 60));
        QVERIFY(photo.save(m_mainPhoto));
    }

    // Twenty rounds of New or Edit, typed into and ended with Save, Cancel or Escape.
    void newAndEditTwentyTimes()
    {
        auto window = ShowMainWindow([](CMainDialog& w) { return TestSupport::WaitIdle(w); });
        // No window manager on the test's server: windows are activated as one would.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const QString photo = m_mainPhoto;
        for (int round = 0; round < 20; ++round) {
            const int kind = round % 4; // 0 New + Save, 1 Edit + Save, 2 Edit + Cancel, 3 New + Escape
            const QString caption = QStringLiteral(" %1").arg(round);
            bool driven = false;
            WhenShown<CDLGFlyerDetails>(
                [&](CDLGFlyerDetails& dialog) {
                    // A dialog that never became active would wait for nobody: it is closed, and
                    // the round fails below.
                    if (!QTest::qWaitForWindowExposed(&dialog) || !(dialog.activateWindow(), true) ||
                        !QTest::qWaitForWindowActive(&dialog)) {
                        dialog.done(QDialog::Rejected);
                        return;
                    }
                    TypeInto(Child<QLineEdit>(dialog, FlyerDetailsId::Caption), caption);
                    TypeInto(Child<QLineEdit>(dialog, FlyerDetailsId::Feature2), QStringLiteral("+"));
                    if (kind == 0) {
                        WhenShown<QFileDialog>(
                            [photo](QFileDialog& chooser) {
                                chooser.selectFile(photo);
                                static_cast<QDialog&>(chooser).accept();
                            },
                            kPatienceMs);
                        ClickInto(Child<QPushButton>(dialog, FlyerDetailsId::ChoosePhoto1));
                        TypeInto(Child<QLineEdit>(dialog, FlyerDetailsId::Feature3), QStringLiteral("+"));
                    }
                    driven = true;
                    if (kind == 0 || kind == 1) {
                        ClickInto(Child<QPushButton>(dialog, FlyerDetailsId::Save));
                    } else {
                        CXMessageBoxTest::AnswerNext(MsgBox::IdYes); // discard
                        if (kind == 2)
                            ClickInto(Child<QPushButton>(dialog, FlyerDetailsId::Cancel));
                        else
                            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
                    }
                },
                kPatienceMs);
            ClickInto(window->Button(kind == 0 || kind == 3 ? IDC_BTN_NEW : IDC_BTN_DETAILS));
            QVERIFY2(driven, qPrintable(QString::number(round)));
            QVERIFY(!QApplication::activeModalWidget());
            QCOMPARE(CXMessageBoxTest::PendingAnswers(), 0);
            if (kind == 0 || kind == 1)
                QVERIFY2(window->Document().FlyerData().m_strCaption.endsWith(caption),
                         qPrintable(window->Document().FlyerData().m_strCaption));
            // Let the server move the focus and the flyer arrive, as between a user's commands.
            QVERIFY(TestSupport::WaitIdle(*window));
        }
        QVERIFY(window->Document().IsProjectOpen());
        QVERIFY(!window->FlyerImage().isNull());
    }
};

QTEST_MAIN(TestDetailsCycles)
#include "tst_detailscycles.moc"
