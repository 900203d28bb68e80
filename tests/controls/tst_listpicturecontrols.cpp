#include "controls/ui/grouplinest.h"
#include "controls/ui/listctrl.h"
#include "controls/ui/picturest.h"

#include <QHeaderView>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class TestListPictureControls : public QObject
{
    Q_OBJECT

    static QStringList Column(const CXListCtrl& list, int column)
    {
        QStringList texts;
        for (int row = 0; row < list.rowCount(); ++row)
            texts << list.GetItemText(row, column);
        return texts;
    }

    static void ClickHeader(CXListCtrl& list, int column)
    {
        QHeaderView* header = list.horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

private Q_SLOTS:
    void headerClickSortsByKind()
    {
        CXListCtrl list;
        list.InsertColumn(0, QStringLiteral("Name"), Qt::AlignLeft, 80);
        list.InsertColumn(1, QStringLiteral("Size"), Qt::AlignRight, 80);
        list.InsertColumn(2, QStringLiteral("Modified"), Qt::AlignHCenter, 160);
        const QStringList names = {"beta", "Alpha", "gamma"};
        const QStringList sizes = {"1 GB", "900 MB", "12 KB"};
        const QStringList times = {"05-14-2024  01:00:00 PM", "05-14-2024  11:00:00 AM", "05-13-2024  11:59:00 PM"};
        for (int i = 0; i < 3; ++i) {
            const int row = list.InsertItem(-1, names[i]);
            list.SetItemText(row, 1, sizes[i]);
            list.SetItemText(row, 2, times[i]);
            list.SetItemData(row, i);
        }
        list.resize(400, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));

        ClickHeader(list, 1);
        QCOMPARE(Column(list, 1), QStringList({"12 KB", "900 MB", "1 GB"}));
        QCOMPARE(list.horizontalHeader()->sortIndicatorSection(), 1);
        QCOMPARE(list.horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        ClickHeader(list, 1);
        QCOMPARE(Column(list, 1), QStringList({"1 GB", "900 MB", "12 KB"}));
        QCOMPARE(list.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);

        // Another column starts ascending again; item data travels with its row.
        ClickHeader(list, 2);
        QCOMPARE(Column(list, 0), QStringList({"gamma", "Alpha", "beta"}));
        QCOMPARE(list.GetItemData(0), 2);
        QCOMPARE(list.horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        ClickHeader(list, 0);
        QCOMPARE(Column(list, 0), QStringList({"Alpha", "beta", "gamma"}));

        list.SetSortable(false);
        ClickHeader(list, 0);
        QCOMPARE(Column(list, 0), QStringList({"Alpha", "beta", "gamma"}));
    }

    void selectionAndClearing()
    {
        CXListCtrl list;
        list.InsertColumn(0, QStringLiteral("A"));
        QCOMPARE(list.GetFirstSelectedItem(), -1);
        for (int i = 0; i < 4; ++i)
            list.InsertItem(-1, QString::number(i));
        list.selectRow(2);
        list.selectionModel()->select(list.model()->index(1, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(list.GetFirstSelectedItem(), 1);
        list.DeleteAllItems();
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(list.GetFirstSelectedItem(), -1);
    }

    void largePhotoIsFittedAndCentred()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.png"));
        QImage photo(4000, 3000, QImage::Format_RGB32);
        photo.fill(QColor(200, 30, 40));
        QVERIFY(photo.save(path));

        CXPictureST picture;
        picture.resize(200, 200);
        picture.SetFile(path);
        picture.SetMode(CXPictureST::ModeFile);
        QVERIFY(picture.HasPicture());
        const QImage shot = picture.grab().toImage();

        QCOMPARE(picture.PictureRect(), QRect(0, 25, 200, 150));
        QCOMPARE(picture.NaturalWidth(), 4000);
        QCOMPARE(picture.NaturalHeight(), 3000);
        QCOMPARE(picture.NaturalOrientation(), 1);
        const QColor red(200, 30, 40);
        QCOMPARE(shot.pixelColor(100, 25), red);
        QCOMPARE(shot.pixelColor(100, 174), red);
        QCOMPARE(shot.pixelColor(100, 24), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(100, 175), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(100, 0), QColor(130, 135, 144)); // frame

        // The file going away leaves the box with no picture.
        QVERIFY(QFile::remove(path));
        QVERIFY(!picture.HasPicture());
    }

    void marginAndShadow()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("wide.jpg"));
        QImage photo(800, 400, QImage::Format_RGB32);
        photo.fill(Qt::black);
        QVERIFY(photo.save(path));

        CXPictureST picture;
        picture.resize(112, 112);
        picture.SetFile(QStringLiteral("  ") + path + QStringLiteral(" "));
        picture.SetMode(CXPictureST::ModeFile);
        picture.SetMargin(6);
        picture.SetShadow(true, 2);
        const QImage shot = picture.grab().toImage();
        QCOMPARE(picture.PictureRect(), QRect(6, 31, 100, 50));
        QVERIFY(qGray(shot.pixel(50, 50)) < 30);
        const int nearShadow = qGray(shot.pixel(50, 81));
        const int farShadow = qGray(shot.pixel(50, 82));
        QVERIFY2(nearShadow > 60 && nearShadow < farShadow && farShadow < 255,
                 qPrintable(QStringLiteral("%1 %2").arg(nearShadow).arg(farShadow)));
    }

    void emptyStateCaptionAndUnreadableFile()
    {
        CXPictureST picture;
        picture.resize(150, 100);
        picture.SetText(QStringLiteral("Main Photo"));
        picture.SetMode(CXPictureST::ModeText);
        QImage shot = picture.grab().toImage();
        int inked = 0;
        for (int y = 40; y < 60; ++y) {
            for (int x = 30; x < 120; ++x)
                inked += qGray(shot.pixel(x, y)) < 128;
        }
        QVERIFY(inked > 20);
        QCOMPARE(shot.pixelColor(75, 20), QColor(Qt::white));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("broken.jpg"));
        QFile broken(path);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a picture");
        broken.close();
        picture.SetFile(path);
        picture.SetMode(CXPictureST::ModeFile);
        shot = picture.grab().toImage();
        QCOMPARE(picture.PictureRect(), QRect());
        QCOMPARE(shot.pixelColor(75, 50), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(0, 50), QColor(130, 135, 144));
    }

    void groupLine()
    {
        CXGroupLineST line;
        line.resize(300, 16);
        line.SetBackgroundColor(Qt::white);
        QImage shot = line.grab().toImage();
        QCOMPARE(shot.pixelColor(150, CXGroupLineST::LineY(16)), CXGroupLineST::LineColor());
        QCOMPARE(shot.pixelColor(150, CXGroupLineST::LineY(16) + 1), QColor(Qt::white));

        line.SetText(QStringLiteral("Photos"));
        shot = line.grab().toImage();
        QCOMPARE(shot.pixelColor(1, CXGroupLineST::LineY(16)), CXGroupLineST::LineColor());
        QCOMPARE(shot.pixelColor(290, CXGroupLineST::LineY(16)), CXGroupLineST::LineColor());
        int inked = 0;
        for (int x = 4; x < 60; ++x) {
            for (int y = 0; y < 16; ++y)
                inked += qGray(shot.pixel(x, y)) < 128;
        }
        QVERIFY(inked > 10);
    }
};

QTEST_MAIN(TestListPictureControls)
#include "tst_listpicturecontrols.moc"
