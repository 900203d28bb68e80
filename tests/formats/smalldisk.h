#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <algorithm>

#include <unistd.h>

// A 2 MB tmpfs mounted over a folder for as long as the object lives, to meet a full disk for real.
// Mounting needs root; Available() says why not otherwise, for QSKIP.
class CXSmallDisk
{
public:
    explicit CXSmallDisk(const QString& folder) : m_strFolder(folder)
    {
        if (::geteuid() != 0) {
            m_strWhy = QStringLiteral("a full disk is made with a 2 MB tmpfs, which only root may mount");
            return;
        }
        QDir().mkpath(folder);
        QProcess mount;
        mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                              QStringLiteral("size=2m"), QStringLiteral("tmpfs"), folder});
        if (!mount.waitForFinished(30000) || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0) {
            m_strWhy = QStringLiteral("mount -t tmpfs failed: ") + QString::fromLocal8Bit(mount.readAllStandardError());
            return;
        }
        m_bMounted = true;
    }
    ~CXSmallDisk()
    {
        if (m_bMounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_strFolder});
    }
    CXSmallDisk(const CXSmallDisk&) = delete;
    CXSmallDisk& operator=(const CXSmallDisk&) = delete;

    bool Available() const { return m_bMounted; }
    QString Why() const { return m_strWhy; }

    // Takes up the disk until only about `room` bytes are left.
    bool Fill(qint64 room)
    {
        QFile filler(m_strFolder + QStringLiteral("/.filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered | QIODevice::Truncate))
            return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        return filler.resize(std::max<qint64>(0, filler.size() - room));
    }
    void Empty() { QFile::remove(m_strFolder + QStringLiteral("/.filler")); }

private:
    QString m_strFolder;
    QString m_strWhy;
    bool m_bMounted = false;
};
