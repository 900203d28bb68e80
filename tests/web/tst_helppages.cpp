#include "web/helptopic.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

namespace {

struct Page
{
    QStringList links; // href and src values, in order
    QSet<QString> ids; // id and name attributes: the anchors a link may aim at
    QString title;
    QString error; // why the page does not parse
    bool hasScript = false;
    bool linksStyle = false;
};

Page ReadPage(const QString& path)
{
    Page page;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        page.error = file.errorString();
        return page;
    }
    // The pages are written as well-formed markup, so a plain XML reader checks them strictly.
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString().toLower();
        const QXmlStreamAttributes attributes = xml.attributes();
        for (const char* attribute : {"href", "src"})
            if (attributes.hasAttribute(QLatin1String(attribute)))
                page.links.append(attributes.value(QLatin1String(attribute)).toString());
        for (const char* attribute : {"id", "name"})
            if (attributes.hasAttribute(QLatin1String(attribute)) && name != QLatin1String("meta"))
                page.ids.insert(attributes.value(QLatin1String(attribute)).toString());
        if (name == QLatin1String("script") || name == QLatin1String("iframe") || name == QLatin1String("object"))
            page.hasScript = true;
        for (const QXmlStreamAttribute& attribute : attributes)
            if (attribute.name().startsWith(QLatin1String("on"), Qt::CaseInsensitive))
                page.hasScript = true;
        if (name == QLatin1String("link") && attributes.value(QLatin1String("rel")) == QLatin1String("stylesheet"))
            page.linksStyle = true;
        if (name == QLatin1String("title"))
            page.title = xml.readElementText();
    }
    if (xml.hasError())
        page.error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    return page;
}

QString HelpFolder()
{
    return qEnvironmentVariable("LISTORA_DATA_DIR") + QLatin1String("/Help");
}

} // namespace

class TestHelpPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        const QStringList files = QDir(HelpFolder()).entryList({QStringLiteral("*.htm")}, QDir::Files);
        QVERIFY2(files.size() >= 10, qPrintable(HelpFolder()));
        for (const QString& file : files)
            m_pages.insert(file, ReadPage(QDir(HelpFolder()).filePath(file)));
    }

    void everyTopicTheProgramOpensExists_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("anchor");
        for (const QString& entry : HelpTopic::ProgramTopics())
            QTest::newRow(qPrintable(entry))
                << entry.section(QLatin1Char('#'), 0, 0) << entry.section(QLatin1Char('#'), 1);

        // Whatever topic a window names when it calls the help opener, with or without an anchor.
        static const QRegularExpression call(
            QStringLiteral("OpenHelpTopic\\s*\\([^;]*?\"([^\"]+\\.htm)\"(?:\\s*,\\s*\"([^\"]*)\")?"));
        QDirIterator it(QStringLiteral(LISTORA_SOURCE_DIR "/src"), {QStringLiteral("*.cpp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            for (auto match = call.globalMatch(text); match.hasNext();) {
                const auto m = match.next();
                QTest::addRow("%s: %s", qPrintable(QFileInfo(path).fileName()), qPrintable(m.captured(1)))
                    << m.captured(1) << m.captured(2);
            }
        }
    }

    void everyTopicTheProgramOpensExists()
    {
        QFETCH(QString, topic);
        QFETCH(QString, anchor);
        const QString path = HelpTopic::TopicPath(HelpFolder(), topic);
        QVERIFY2(QFileInfo(path).isFile(), qPrintable(path));
        QVERIFY(m_pages.contains(QFileInfo(path).fileName()));
        if (!anchor.isEmpty())
            QVERIFY2(m_pages.value(QFileInfo(path).fileName()).ids.contains(anchor), qPrintable(anchor));
        const QUrl url = HelpTopic::TopicUrl(HelpFolder(), topic, anchor);
        QCOMPARE(url.toLocalFile(), path);
        QCOMPARE(url.fragment(), anchor);
    }

    void pagesAreWellFormedLocalAndScriptFree()
    {
        for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
            const Page& page = it.value();
            QVERIFY2(page.error.isEmpty(), qPrintable(it.key() + ": " + page.error));
            QVERIFY2(!page.hasScript, qPrintable(it.key()));
            QVERIFY2(page.linksStyle, qPrintable(it.key() + " has no style sheet"));
            QVERIFY2(page.title.startsWith(QLatin1String("Listora Help")), qPrintable(it.key() + ": " + page.title));
        }
    }

    void everyLinkResolves()
    {
        for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
            for (const QString& link : it.value().links) {
                const QString where = it.key() + " -> " + link;
                const QUrl url(link);
                QVERIFY2(url.isRelative() && url.host().isEmpty() && !link.startsWith(QLatin1String("//")),
                         qPrintable(where + ": help must not reach the network"));
                const QString target = url.path().isEmpty() ? it.key() : url.path();
                QVERIFY2(!target.contains(QLatin1Char('/')) && !target.contains(QLatin1String("..")),
                         qPrintable(where));
                QVERIFY2(QFileInfo::exists(QDir(HelpFolder()).filePath(target)), qPrintable(where));
                if (url.hasFragment()) {
                    QVERIFY2(m_pages.contains(target), qPrintable(where));
                    QVERIFY2(m_pages.value(target).ids.contains(url.fragment()), qPrintable(where));
                }
            }
        }
    }

    void everyPageCanBeReachedFromTheContents()
    {
        QSet<QString> reached{QString::fromLatin1(HelpTopic::Default)};
        QStringList queue{QString::fromLatin1(HelpTopic::Default)};
        while (!queue.isEmpty()) {
            for (const QString& link : m_pages.value(queue.takeFirst()).links) {
                const QString target = QUrl(link).path();
                if (m_pages.contains(target) && !reached.contains(target)) {
                    reached.insert(target);
                    queue.append(target);
                }
            }
        }
        for (const QString& file : m_pages.keys())
            QVERIFY2(reached.contains(file), qPrintable(file + " is not linked from the contents"));
    }

    void styleSheetIsLocal()
    {
        QFile css(QDir(HelpFolder()).filePath(QStringLiteral("style.css")));
        QVERIFY(css.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(css.readAll());
        QVERIFY(!text.contains(QLatin1String("@import")));
        QVERIFY(!text.contains(QLatin1String("url(")));
    }

    void topicNamesCannotLeaveTheHelpFolder_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::newRow("parent") << "..";
        QTest::newRow("path") << "../Themes/Themes.ini";
        QTest::newRow("absolute") << "/etc/passwd";
        QTest::newRow("backslash") << "..\\x.htm";
    }

    void topicNamesCannotLeaveTheHelpFolder()
    {
        QFETCH(QString, topic);
        QVERIFY(HelpTopic::TopicPath(HelpFolder(), topic).isEmpty());
        QVERIFY(HelpTopic::TopicUrl(HelpFolder(), topic).isEmpty());
    }

    void redirectPageForwardsToTheAnchor()
    {
        const QUrl target = HelpTopic::TopicUrl(QStringLiteral("/opt/My Help & Co"), HelpTopic::Tutorial,
                                                HelpTopic::TutorialNewFlyerAnchor);
        QXmlStreamReader xml(HelpTopic::RedirectPage(target));
        QString refresh;
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("meta") &&
                xml.attributes().value(QLatin1String("http-equiv")) == QLatin1String("refresh"))
                refresh = xml.attributes().value(QLatin1String("content")).toString();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(refresh.startsWith(QLatin1String("0; url=")));
        const QUrl forwarded(refresh.mid(7));
        QCOMPARE(forwarded.toLocalFile(), QStringLiteral("/opt/My Help & Co/Tutorial.htm"));
        QCOMPARE(forwarded.fragment(), QStringLiteral("newFlyer"));
        QCOMPARE(HelpTopic::RedirectFileName(QStringLiteral("Tutorial.htm"), QStringLiteral("new/../Flyer")),
                 QStringLiteral("Help-Tutorial-new_.._Flyer.htm"));
    }

private:
    QHash<QString, Page> m_pages;
};

QTEST_GUILESS_MAIN(TestHelpPages)
#include "tst_helppages.moc"
