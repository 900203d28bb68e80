#include "controls/messageboxtypes.h"
#include "controls/ui/listctrl.h"
#include "controls/ui/messagebox.h"
#include "flyer/flyerdata.h"
#include "projects/ui/openflyerprojectdlg.h"
#include "settings/appsettings.h"
#include "support/dialogs.h"
#include "support/urlcatcher.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// Times of the fixture projects (tests run in UTC).
constexpr qint64 k1130AM = 1715686200; // 05-14-2024 11:30:00 AM
constexpr qint64 k0105PM = 1715691900; // 05-14-2024 01:05:00 PM

using TestSupport::Child;
using Id = OpenFlyerProjectId;

class TestOpenFlyerProject : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_projects;

    QString MakeProject(const QString& relativeFile, const QString& mls, const QString& address, qint64 created,
                        const QString& photo = QString())
    {
        const QString path = m_projects + QLatin1Char('/') + relativeFile;
        QDir().mkpath(QFileInfo(path).absolutePath());
        CFlyerData project;
        project.Reset();
        project.m_strMLS = mls;
        project.m_strAddress = address;
        project.m_strCityStateZip = QStringLiteral("Bayport, CA 94000");
        project.m_timeCreated = project.m_timePrinted = created;
        project.m_photos[0].m_strPath = photo;
        project.SetPathName(path);
        if (!project.Save().IsOk())
            qFatal("fixture project not written: %s", qPrintable(path));
        return path;
    }

    static QStringList Column(const CXListCtrl* list, int column)
    {
        QStringList texts;
        for (int row = 0; row < list->rowCount(); ++row)
            texts << list->GetItemText(row, column);
        return texts;
    }

    static int RowOf(const CXListCtrl* list, const QString& mls) { return int(Column(list, 0).indexOf(mls)); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_projects = m_dir.filePath(QStringLiteral("Projects%1").arg(QTest::currentTestFunction()));
        QVERIFY(QDir().mkpath(m_projects));
        CXMessageBoxTest::Clear();
    }

    void listsEveryProjectNewestFirst()
    {
        const QString nested = MakeProject(QStringLiteral("Old/AAAA/FlyerData.lso"), QStringLiteral("MLS# 2"),
                                           QStringLiteral("2 Oak Ave"), k0105PM);
        MakeProject(QStringLiteral("BBBB/FlyerData.lso"), QStringLiteral("MLS# 1"), QStringLiteral("1 Elm St"), k1130AM,
                    QStringLiteral("/nowhere/_photo01.jpg"));
        MakeProject(QStringLiteral("CCCC/other name.lso"), QStringLiteral("MLS# 3"), QString(), k0105PM + 1);
        MakeProject(QStringLiteral("CCCC/notes.txt"), QStringLiteral("not listed"), QString(), k0105PM);

        CAppSettings settings;
        settings.strPath2FlyerProjects = m_projects;
        CDLGOpenFlyerProject dialog(nullptr, settings);
        dialog.show();
        const CXListCtrl* list = dialog.ProjectList();

        QCOMPARE(Column(list, 0), QStringList({"MLS# 3", "MLS# 2", "MLS# 1"}));
        QCOMPARE(Column(list, 1), QStringList({"", "2 Oak Ave, Bayport, CA 94000", "1 Elm St, Bayport, CA 94000"}));
        QCOMPARE(Column(list, 2),
                 QStringList({"05-14-2024  01:05:01 PM", "05-14-2024  01:05:00 PM", "05-14-2024  11:30:00 AM"}));
        QCOMPARE(list->SortColumn(), 2);
        QVERIFY(!list->IsSortAscending());
        QCOMPARE(list->GetFirstSelectedItem(), 0);
        QVERIFY(Child<QPushButton>(dialog, Id::Open)->isEnabled());
        QVERIFY(Child<QPushButton>(dialog, Id::Delete)->isEnabled());

        // A stale photo path is re-pointed into the project's own folder and saved when listed.
        CFlyerData reread;
        reread.Reset();
        QVERIFY(reread.Load(m_projects + QStringLiteral("/BBBB/FlyerData.lso")).IsOk());
        QCOMPARE(reread.m_photos[0].m_strPath, m_projects + QStringLiteral("/BBBB/_photo01.jpg"));

        // Opening the nested project by double click hands its path back.
        const int row = RowOf(list, QStringLiteral("MLS# 2"));
        const QRect cell = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_strSelectedPath, nested);
    }

    // A double click opens the selected project wherever in the list it lands; a click on the
    // empty space below the rows leaves the selection alone.
    void doubleClickAnywhereOpens_data()
    {
        QTest::addColumn<QString>("clicked"); // the row's MLS text, or empty for the space below the rows
        QTest::addColumn<QString>("opened");
        QTest::newRow("on the selected row") << "MLS# 1"
                                             << "MLS# 1";
        QTest::newRow("on another row") << "MLS# 2"
                                        << "MLS# 2";
        QTest::newRow("below the rows") << ""
                                        << "MLS# 1";
    }
    void doubleClickAnywhereOpens()
    {
        QFETCH(QString, clicked);
        QFETCH(QString, opened);
        const QString first = MakeProject(QStringLiteral("AAAA/FlyerData.lso"), QStringLiteral("MLS# 1"),
                                          QStringLiteral("1 Elm St"), k0105PM);
        const QString second = MakeProject(QStringLiteral("BBBB/FlyerData.lso"), QStringLiteral("MLS# 2"),
                                           QStringLiteral("2 Oak Ave"), k1130AM);
        CAppSettings settings;
        settings.strPath2FlyerProjects = m_projects;
        CDLGOpenFlyerProject dialog(nullptr, settings);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        CXListCtrl* list = dialog.ProjectList();
        QCOMPARE(list->GetFirstSelectedItem(), RowOf(list, QStringLiteral("MLS# 1")));

        QPoint at(list->viewport()->width() / 2, list->viewport()->height() - 5);
        if (!clicked.isEmpty())
            at = list->visualRect(list->model()->index(RowOf(list, clicked), 1)).center();
        else
            QVERIFY(!list->indexAt(at).isValid());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(Child<QPushButton>(dialog, Id::Open)->isEnabled());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_strSelectedPath, opened == QStringLiteral("MLS# 1") ? first : second);
    }

    void emptyFolderDisablesOpenAndDelete()
    {
        CAppSettings settings;
        settings.strPath2FlyerProjects = m_projects;
        CDLGOpenFlyerProject dialog(nullptr, settings);
        dialog.show();
        QCOMPARE(dialog.ProjectList()->rowCount(), 0);
        QVERIFY(!Child<QPushButton>(dialog, Id::Open)->isEnabled());
        QVERIFY(!Child<QPushButton>(dialog, Id::Delete)->isEnabled());
        dialog.OnBnClickedBtnOpen();
        dialog.OnBnClickedBtnDelete();
        QVERIFY(dialog.isVisible());
        Child<QPushButton>(dialog, Id::Cancel)->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.m_bDeleted, 0);
        QVERIFY(dialog.m_strSelectedPath.isEmpty());
    }

    void alwaysShowDetailsStoredOnlyOnOpen()
    {
        MakeProject(QStringLiteral("AAAA/FlyerData.lso"), QStringLiteral("MLS# 1"), QStringLiteral("1 Elm St"),
                    k1130AM);
        {
            CAppSettings settings;
            settings.strPath2FlyerProjects = m_projects;
            CDLGOpenFlyerProject dialog(nullptr, settings);
            dialog.show();
            Child<QCheckBox>(dialog, Id::AlwaysShowDetails)->setChecked(true);
            Child<QPushButton>(dialog, Id::Cancel)->click();
            QCOMPARE(settings.AlwaysShowFlyerDetails, 0);
        }
        CAppSettings stored;
        stored.LoadSettings();
        QCOMPARE(stored.AlwaysShowFlyerDetails, 0);

        {
            CAppSettings settings;
            settings.strPath2FlyerProjects = m_projects;
            CDLGOpenFlyerProject dialog(nullptr, settings);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            Child<QCheckBox>(dialog, Id::AlwaysShowDetails)->setChecked(true);
            // Enter in the list opens the selected project: Open is the default button.
            QTest::keyClick(dialog.ProjectList(), Qt::Key_Return);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.m_bAlwaysShowFlyerDetails, 1);
        }
        stored.LoadSettings();
        QCOMPARE(stored.AlwaysShowFlyerDetails, 1);
    }

    void deleteAsksAndRemovesTheProjectFolder()
    {
        const QString keep = MakeProject(QStringLiteral("AAAA/FlyerData.lso"), QStringLiteral("MLS# 1"),
                                         QStringLiteral("1 Elm St"), k1130AM);
        const QString doomed = MakeProject(QStringLiteral("BBBB/FlyerData.lso"), QStringLiteral("MLS# 2"),
                                           QStringLiteral("2 Oak Ave"), k0105PM);
        const QString doomedFolder = QFileInfo(doomed).absolutePath();
        QDir(doomedFolder).mkpath(QStringLiteral("E-mailed"));
        QFile readOnly(doomedFolder + QStringLiteral("/E-mailed/flyer.pdf"));
        QVERIFY(readOnly.open(QIODevice::WriteOnly));
        readOnly.write("%PDF");
        readOnly.close();
        QVERIFY(readOnly.setPermissions(QFileDevice::ReadOwner));

        CAppSettings settings;
        settings.strPath2FlyerProjects = m_projects;
        CDLGOpenFlyerProject dialog(nullptr, settings);
        dialog.show();
        CXListCtrl* list = dialog.ProjectList();

        // Answered No: nothing goes.
        list->SelectItem(RowOf(list, QStringLiteral("MLS# 2")));
        CXMessageBoxTest::AnswerNext(MsgBox::IdNo);
        Child<QPushButton>(dialog, Id::Delete)->click();
        QVERIFY(QFile::exists(doomed));
        QCOMPARE(dialog.m_bDeleted, 0);

        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        Child<QPushButton>(dialog, Id::Delete)->click();
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[1].text, QStringLiteral("Delete the following flyer project?\n\n[MLS# 2] 2 Oak Ave, Bayport, CA "
                                               "94000\n\nNOTE: This action cannot be undone."));
        QVERIFY(!QFileInfo::exists(doomedFolder));
        QVERIFY(QFile::exists(keep));
        QCOMPARE(dialog.m_bDeleted, 1);
        QCOMPARE(dialog.m_deletedFolders, QStringList({doomedFolder + QLatin1Char('/')}));
        QVERIFY(dialog.IsProjectDeleted(doomed));
        QVERIFY(dialog.IsProjectDeleted(doomedFolder + QLatin1Char('/')));
        QVERIFY(!dialog.IsProjectDeleted(keep));
        QCOMPARE(Column(list, 0), QStringList({"MLS# 1"}));
        QCOMPARE(list->GetFirstSelectedItem(), 0);

        // With the question switched off the last project goes at once, and the buttons follow.
        settings.ConfirmDeleteFlyerProject = 0;
        Child<QPushButton>(dialog, Id::Delete)->click();
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QVERIFY(!QFile::exists(keep));
        QCOMPARE(list->rowCount(), 0);
        QVERIFY(!Child<QPushButton>(dialog, Id::Open)->isEnabled());
        QVERIFY(!Child<QPushButton>(dialog, Id::Delete)->isEnabled());
        QVERIFY(QFileInfo(m_projects).isDir());
    }

    void deleteNeverTakesTheProjectsFolderOrOtherProjects()
    {
        const QString loose =
            MakeProject(QStringLiteral("loose.lso"), QStringLiteral("MLS# 1"), QStringLiteral("1 Elm St"), k0105PM);
        const QString inside = MakeProject(QStringLiteral("AAAA/FlyerData.lso"), QStringLiteral("MLS# 2"),
                                           QStringLiteral("2 Oak Ave"), k1130AM);
        // A folder that holds a project of its own as well as a nested one.
        const QString outer = MakeProject(QStringLiteral("Old/outer.lso"), QStringLiteral("MLS# 3"),
                                          QStringLiteral("3 Pine Rd"), k1130AM - 60);
        const QString nested = MakeProject(QStringLiteral("Old/BBBB/FlyerData.lso"), QStringLiteral("MLS# 4"),
                                           QStringLiteral("4 Bay St"), k1130AM - 120);

        CAppSettings settings;
        settings.strPath2FlyerProjects = m_projects;
        settings.ConfirmDeleteFlyerProject = 0;
        CDLGOpenFlyerProject dialog(nullptr, settings);
        dialog.show();
        CXListCtrl* list = dialog.ProjectList();

        list->SelectItem(RowOf(list, QStringLiteral("MLS# 1")));
        dialog.OnBnClickedBtnDelete();
        QVERIFY(!QFile::exists(loose));
        QVERIFY(QFile::exists(inside));
        QVERIFY(QFileInfo(m_projects).isDir());
        QVERIFY(dialog.IsProjectDeleted(loose));
        QVERIFY(!dialog.IsProjectDeleted(inside));
        QVERIFY(dialog.m_deletedFolders.isEmpty());
        QCOMPARE(dialog.m_bDeleted, 1);

        list->SelectItem(RowOf(list, QStringLiteral("MLS# 3")));
        dialog.OnBnClickedBtnDelete();
        QVERIFY(!QFile::exists(outer));
        QVERIFY(QFile::exists(nested));
        QCOMPARE(Column(list, 0), QStringList({"MLS# 2", "MLS# 4"}));
    }

    void damagedFileIsReportedAndTheRestListed()
    {
        MakeProject(QStringLiteral("AAAA/FlyerData.lso"), QStringLiteral("MLS# 1"), QStringLiteral("1 Elm St"),
                    k1130AM);
        const QString whole = MakeProject(QStringLiteral("BBBB/FlyerData.lso"), QStringLiteral("MLS# 2"),
                                          QStringLiteral("2 Oak Ave"), k0105PM);
        QFile file(whole);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        file.close();
        const QString damaged = m_projects + QStringLiteral("/CCCC/FlyerData.lso");
        QDir().mkpath(QFileInfo(damaged).absolutePath());
        QFile cut(damaged);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(bytes.left(bytes.size() / 2));
        cut.close();

        CAppSettings settings;
        settings.strPath2FlyerProjects = m_projects;
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        CDLGOpenFlyerProject dialog(nullptr, settings);
        dialog.show();
        QTRY_COMPARE(CXMessageBoxTest::PendingAnswers(), 0);
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].text.contains(QStringLiteral("past its end")), qPrintable(asked[0].text));
        QCOMPARE(dialog.ProjectList()->rowCount(), 3);
        QVERIFY(Child<QPushButton>(dialog, Id::Open)->isEnabled());
        // The half-read file is not rewritten by being listed.
        QCOMPARE(QFileInfo(damaged).size(), qint64(bytes.size() / 2));
    }

    void helpOpensItsTopic()
    {
        TestSupport::UrlCatcher catcher({QStringLiteral("file")});
        CAppSettings settings;
        settings.strPath2FlyerProjects = m_projects;
        settings.Path2Help = qEnvironmentVariable("LISTORA_DATA_DIR") + QStringLiteral("/Help");
        CDLGOpenFlyerProject dialog(nullptr, settings);
        Child<QPushButton>(dialog, Id::Help)->click();
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QCOMPARE(catcher.urls, QList<QUrl>({QUrl::fromLocalFile(settings.Path2Help + QStringLiteral("/Opening.htm"))}));
    }
};

QTEST_MAIN(TestOpenFlyerProject)
#include "tst_openflyerproject.moc"
