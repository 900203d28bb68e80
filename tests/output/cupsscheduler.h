#pragma once

// A CUPS scheduler of the test's own: private configuration, spool and socket under a temporary
// folder, queues that print through CUPS-PDF into a folder of the test's. It never touches the
// machine's own scheduler; the only file outside the temporary folder is the per-queue CUPS-PDF
// setting in /etc/cups, which CUPS-PDF reads from there alone, and which is removed again.

#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

class CupsScheduler
{
public:
    CupsScheduler() = default;
    ~CupsScheduler() { Stop(); }
    Q_DISABLE_COPY_MOVE(CupsScheduler)

    // Why the scheduler cannot run here, or empty when it can.
    static QString Unavailable()
    {
        if (::geteuid() != 0)
            return QStringLiteral("the CUPS-PDF back end only runs for a scheduler started as root");
        for (const char* tool : {"/usr/sbin/cupsd", "/usr/sbin/lpadmin", "/usr/lib/cups/backend/cups-pdf"}) {
            if (!QFile::exists(QString::fromLatin1(tool)))
                return QStringLiteral("%1 is missing (scripts/setup.sh installs cups and printer-driver-cups-pdf)")
                    .arg(QString::fromLatin1(tool));
        }
        return QString();
    }

    QString Socket() const { return m_dir.filePath(QStringLiteral("cups.sock")); }
    QString OutputFolder() const { return m_dir.filePath(QStringLiteral("out")); }
    qint64 Pid() const { return m_cupsd.processId(); }

    // Starts cupsd in the foreground and waits until it answers. Set CUPS_SERVER to Socket() for
    // the clients.
    bool Start(QString* error)
    {
        const QString root = m_dir.path();
        QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                        QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                        QFileDevice::ExeOther);
        for (const char* sub : {"etc/ppd", "spool/tmp", "cache", "state", "log", "out", "cups-pdf-spool"})
            QDir(root).mkpath(QString::fromLatin1(sub));
        WriteFile(QStringLiteral("cups-files.conf"),
                  QStringLiteral("ServerRoot %1/etc\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                                 "CacheDir %1/cache\nStateDir %1/state\nServerBin /usr/lib/cups\n"
                                 "DataDir /usr/share/cups\nAccessLog %1/log/access_log\n"
                                 "ErrorLog %1/log/error_log\nPageLog %1/log/page_log\nSystemGroup root\n")
                      .arg(root));
        WriteFile(QStringLiteral("cupsd.conf"),
                  QStringLiteral("Listen %1\nLogLevel info\nBrowsing Off\nWebInterface No\n"
                                 "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                 "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n")
                      .arg(Socket()));
        RemoveStaleQueueSettings();
        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        // A test that crashes or times out must not leave its scheduler running.
        m_cupsd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_cupsd.start(QStringLiteral("/usr/sbin/cupsd"),
                      {QStringLiteral("-f"), QStringLiteral("-c"), m_dir.filePath(QStringLiteral("cupsd.conf")),
                       QStringLiteral("-s"), m_dir.filePath(QStringLiteral("cups-files.conf"))});
        if (!m_cupsd.waitForStarted(10000)) {
            *error = QStringLiteral("cupsd did not start: ") + m_cupsd.errorString();
            return false;
        }
        for (int i = 0; i < 100; ++i) {
            if (Run(QStringLiteral("lpstat"), {QStringLiteral("-h"), Socket(), QStringLiteral("-r")}) == 0)
                return true;
            if (m_cupsd.state() != QProcess::Running)
                break;
            QThread::msleep(100);
        }
        *error = QStringLiteral("cupsd does not answer: ") + QString::fromLocal8Bit(m_cupsd.readAll());
        return false;
    }

    // The test's queue, named after its process so stale settings can be told apart.
    static QString QueueName() { return QStringLiteral("ListoraTest%1").arg(::getpid()); }

    // A CUPS-PDF queue writing into OutputFolder(), made the scheduler's default.
    bool AddPdfQueue(QString* error)
    {
        const QString name = QueueName();
        const QString settings = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(name);
        QFile file(settings);
        if (!file.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("cannot write %1").arg(settings);
            return false;
        }
        m_queueSettings.append(settings);
        file.write(QStringLiteral("Out %1\nSpool %2\nLog %3\nGrp root\n")
                       .arg(OutputFolder(), m_dir.filePath(QStringLiteral("cups-pdf-spool")),
                            m_dir.filePath(QStringLiteral("log")))
                       .toLocal8Bit());
        file.close();
        QByteArray output;
        if (Run(QStringLiteral("lpadmin"),
                {QStringLiteral("-h"), Socket(), QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                 QStringLiteral("cups-pdf:/") + name, QStringLiteral("-P"),
                 QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd")},
                &output) != 0 ||
            Run(QStringLiteral("lpadmin"), {QStringLiteral("-h"), Socket(), QStringLiteral("-d"), name}, &output) !=
                0) {
            *error = QStringLiteral("lpadmin failed: ") + QString::fromLocal8Bit(output);
            return false;
        }
        return true;
    }

    // Ends the scheduler this object started, by its process id, and removes the queue settings.
    void Stop()
    {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(10000)) {
                m_cupsd.kill();
                m_cupsd.waitForFinished(5000);
            }
        }
        for (const QString& settings : std::as_const(m_queueSettings))
            QFile::remove(settings);
        m_queueSettings.clear();
    }

    QString Log() const
    {
        QFile file(m_dir.filePath(QStringLiteral("log/error_log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll().right(3000)) : QString();
    }

private:
    // Queue settings left by a test run that ended without cleaning up (its process is gone).
    static void RemoveStaleQueueSettings()
    {
        const QDir etc(QStringLiteral("/etc/cups"));
        for (const QString& name : etc.entryList({QStringLiteral("cups-pdf-ListoraTest*.conf")}, QDir::Files)) {
            const QString pid = name.mid(20).chopped(5); // "cups-pdf-ListoraTest" <pid> ".conf"
            bool ok = false;
            const int number = pid.toInt(&ok);
            if (ok && ::kill(number, 0) != 0 && errno == ESRCH)
                QFile::remove(etc.filePath(name));
        }
    }

    void WriteFile(const QString& name, const QString& text)
    {
        QFile file(m_dir.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toLocal8Bit());
    }

    static int Run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
    {
        const TestSupport::ChildRun run = TestSupport::RunChild(program, arguments, {.mergeChannels = true});
        if (output)
            *output = run.out;
        return run.exitCode;
    }

    // Under /tmp itself, not the test's private temporary folder: the scheduler runs its filters
    // as the "lp" user, who must be able to reach the spool and the queue's PPD.
    QTemporaryDir m_dir{QStringLiteral("/tmp/listora-cups-XXXXXX")};
    QProcess m_cupsd;
    QStringList m_queueSettings;
};
