#include "app/ui/aboutdlg.h"
#include "controls/ui/labelst.h"
#include "controls/ui/linkctrl.h"
#include "controls/ui/picturest.h"
#include "settings/appinfo.h"
#include "support/dialogs.h"
#include "support/urlcatcher.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using TestSupport::Child;

class TestAboutDlg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("LISTORA_SITE_URL", "http://127.0.0.1:9/"); }

    void init() { m_catcher.urls.clear(); }

    void versionLine() { QCOMPARE(CDLGAbout::VersionLine(3, 1, 204, 7), QStringLiteral("Version 3.1 Build (204.7)")); }

    void yearsText_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("years");
        QTest::newRow("first year") << 2006 << "2006";
        QTest::newRow("clock before it") << 1970 << "2006";
        QTest::newRow("no clock") << 0 << "2006";
        QTest::newRow("later") << 2031 << "2006-2031";
    }

    void yearsText()
    {
        QFETCH(int, year);
        QFETCH(QString, years);
        QCOMPARE(CDLGAbout::YearsText(year), years);
        QVERIFY(CDLGAbout::NoticeLine(year).contains(years + QLatin1String(" Tarnwick")));
    }

    void dialogShowsTheProgramsIdentity()
    {
        CDLGAbout dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("About..."));
        QCOMPARE(dlg.size(), dlg.DialogUnitsToPixels(QRect(0, 0, 274, 134)).size());

        auto* name = Child<CXLabelST>(dlg, AboutId::Name);
        auto* version = Child<CXLabelST>(dlg, AboutId::Version);
        auto* link = Child<CXLinkCtrl>(dlg, AboutId::Link);
        auto* warning = Child<QLabel>(dlg, AboutId::Warning);
        auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("IDOK"));
        auto* logo = Child<CXPictureST>(dlg, AboutId::Logo);
        QVERIFY(logo && name && version && link && warning && ok);
        QCOMPARE(logo->size(), dlg.DialogUnitsToPixels(QRect(0, 0, 85, 72)).size());

        QCOMPARE(name->Text(), AppInfo::DisplayName());
        QCOMPARE(name->TextColor(), QColor(0x32, 0x9A, 0xFF));
        QCOMPARE(name->LabelFont().family(), QStringLiteral("Arial"));
        QCOMPARE(name->LabelFont().pixelSize(), 20);
        QCOMPARE(name->LabelFont().weight(), QFont::Bold);
        QCOMPARE(version->TextColor(), QColor(0x35, 0x35, 0x35));
        QCOMPARE(version->LabelFont().pixelSize(), 14);
        QCOMPARE(version->Text(), CDLGAbout::VersionLine(AppInfo::VersionPart(0), AppInfo::VersionPart(1),
                                                         AppInfo::VersionPart(2), AppInfo::VersionPart(3)));
        QCOMPARE(link->Address(), QStringLiteral("http://127.0.0.1:9"));
        QCOMPARE(link->text(), CDLGAbout::NoticeLine(QDate::currentDate().year()));
        QCOMPARE(warning->font().pointSizeF(), dlg.font().pointSizeF() - 2);
        QVERIFY(ok->isDefault());

        // Everything fits inside the box, nothing covers anything else, and every text has room.
        const QList<QWidget*> controls{logo, name, version, link, warning, ok};
        for (qsizetype i = 0; i < controls.size(); ++i) {
            QVERIFY2(dlg.rect().contains(controls[i]->geometry()), qPrintable(controls[i]->objectName()));
            for (qsizetype j = i + 1; j < controls.size(); ++j)
                QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                         qPrintable(controls[i]->objectName() + " " + controls[j]->objectName()));
        }
        for (CXLabelST* label : {name, version})
            QVERIFY2(label->width() >= label->sizeHint().width() &&
                         label->height() >= label->minimumSizeHint().height(),
                     qPrintable(label->objectName()));
        QVERIFY(warning->heightForWidth(warning->width()) <= warning->height());

        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(m_catcher.urls, QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1:9"))});
        QVERIFY(dlg.isVisible());

        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));

        if (qEnvironmentVariableIsSet("LISTORA_SHOT_DIR"))
            dlg.grab().save(qEnvironmentVariable("LISTORA_SHOT_DIR") + "/about.png");
    }

    void linkKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("opens");
        QTest::newRow("Return") << int(Qt::Key_Return) << true;
        QTest::newRow("Enter") << int(Qt::Key_Enter) << true;
        QTest::newRow("Space") << int(Qt::Key_Space) << false;
    }

    void linkKeys()
    {
        QFETCH(int, key);
        QFETCH(bool, opens);
        QWidget window;
        auto* link = new CXLinkCtrl(&window);
        link->setText(QStringLiteral("Write to us"));
        link->SetAddress(QStringLiteral("agent@example.com"), QStringLiteral("mailto:"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        link->setFocus();
        QTest::keyClick(link, Qt::Key(key));
        QCOMPARE(m_catcher.urls.size(), opens ? 1 : 0);
        QCOMPARE(link->IsVisited(), opens);
        if (opens)
            QCOMPARE(m_catcher.urls.first(), QUrl(QStringLiteral("mailto:agent@example.com")));
    }

    void linkSizeToContentKeepsCentre()
    {
        QWidget window;
        auto* link = new CXLinkCtrl(&window);
        link->setText(QStringLiteral("x"));
        link->setGeometry(100, 50, 200, 40);
        link->SizeToContent(CXLinkCtrl::CentreBoth);
        QCOMPARE(link->size(), link->sizeHint());
        QVERIFY(qAbs(link->geometry().center().x() - 199) <= 1);
        QVERIFY(qAbs(link->geometry().center().y() - 69) <= 1);
        link->setGeometry(100, 50, 200, 40);
        link->SizeToContent();
        QCOMPARE(link->geometry().topLeft(), QPoint(100, 50));
    }

    void labelPainting_data()
    {
        QTest::addColumn<int>("align");
        QTest::addColumn<bool>("frame");
        QTest::newRow("left, no frame") << int(CXLabelST::AlignLeft) << false;
        QTest::newRow("centre, frame") << int(CXLabelST::AlignCenter) << true;
        QTest::newRow("right, frame") << int(CXLabelST::AlignRight) << true;
    }

    void labelPainting()
    {
        QFETCH(int, align);
        QFETCH(bool, frame);
        CXLabelST label;
        label.SetFont(QStringLiteral("DejaVu Sans"), 16, QColor(200, 0, 0));
        label.SetText(QStringLiteral("MMM"));
        label.SetAlignment(align);
        label.SetFrame(frame);
        label.resize(300, 40);
        const QImage image = label.grab().toImage();
        QCOMPARE(image.pixelColor(0, 0), frame ? QColor(137, 140, 149) : QColor(Qt::white));
        QCOMPARE(image.pixelColor(150, 0), frame ? QColor(137, 140, 149) : QColor(Qt::white));

        // The text sits in the third of the label its alignment names, and nowhere else.
        int reddestColumn[3] = {0, 0, 0};
        for (int y = 2; y < image.height() - 2; ++y)
            for (int x = 2; x < image.width() - 2; ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 150 && c.green() < 80)
                    ++reddestColumn[x * 3 / image.width()];
            }
        for (int third = 0; third < 3; ++third)
            QVERIFY2((reddestColumn[third] > 0) == (third == align), qPrintable(QString::number(third)));
    }

private:
    TestSupport::UrlCatcher m_catcher{{QStringLiteral("http"), QStringLiteral("mailto")}};
};

QTEST_MAIN(TestAboutDlg)
#include "tst_aboutdlg.moc"
