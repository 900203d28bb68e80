#include "formats/filewriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDateTime>
#include <QDirIterator>
#include <QLoggingCategory>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcFormats, "listora.formats", QtWarningMsg)

namespace {

struct Reason
{
    int error;
    const char* text;
};

const Reason kReasons[] = {
    {ENOSPC, "Disk full while accessing %1."},
#ifdef EDQUOT
    {EDQUOT, "Disk full while accessing %1."},
#endif
    {EFBIG, "Disk full while accessing %1."},
    {EACCES, "Access to %1 was denied."},
    {EPERM, "Access to %1 was denied."},
    {EROFS, "Access to %1 was denied."},
    {EISDIR, "Access to %1 was denied."},
    {ENOENT, "%1 was not found."},
    {ENOTDIR, "%1 contains an incorrect path."},
    {ENAMETOOLONG, "%1 contains an incorrect path."},
    {ELOOP, "%1 contains an incorrect path."},
    {EMFILE, "Could not open %1 because there are too many open files."},
    {ENFILE, "Could not open %1 because there are too many open files."},
    {EIO, "A hardware I/O error was reported while accessing %1."},
};

QString DisplayName(const QString& path)
{
    return path.isEmpty() ? QStringLiteral("an unnamed file") : path;
}

// ".name.Ab3x9Q.tmp" beside the target: hidden, and on the same file system so the rename is atomic.
QString SiblingName(const QString& path, const char* kind)
{
    const QFileInfo info(path);
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
    return info.path() + QLatin1String("/.") + info.fileName() + QLatin1Char('.') + suffix + QLatin1Char('.') +
           QLatin1String(kind);
}

// Sweeps each folder once per run: the first write there is enough to clear an earlier run's litter.
void SweepOnce(const QString& path)
{
    static QMutex mutex;
    static QSet<QString> swept;
    const QString folder = QFileInfo(path).absolutePath();
    {
        QMutexLocker lock(&mutex);
        if (swept.contains(folder))
            return;
        swept.insert(folder);
    }
    CXFileWriter::SweepStrayFiles(folder);
}

#ifdef Q_OS_UNIX

// Writes all of bytes to a new file; 0 or the errno of the first failure (the file is then gone).
int WriteTemp(const QString& temp, const QString& target, const QByteArray& bytes, bool sync)
{
    const QByteArray name = QFile::encodeName(temp);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    int error = 0;
    // The replacement keeps the permissions the user gave the old file.
    struct stat old;
    if (::stat(QFile::encodeName(target).constData(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0 && !error) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qint64>(left, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            error = n < 0 ? errno : ENOSPC;
        else {
            data += n;
            left -= n;
        }
    }
    // Some file systems report a full disk only when the data reaches the disk.
    if (!error && sync && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error && errno != EINTR)
        error = errno;
    if (error)
        ::unlink(name.constData());
    return error;
}

int RenameOver(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0 ? 0 : errno;
}

// The renames themselves reach the disk only with their folder.
void SyncFolder(const QString& path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

#endif

} // namespace

CXFileWriter::CXFileWriter(Durability durability) : m_durability(durability) {}

CXFileWriter::~CXFileWriter()
{
    Discard();
}

bool CXFileWriter::CopyFileTo(const QString& from, const QString& to, QString* error, Durability durability)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = ErrorTextFor(in, from);
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError || bytes.size() != in.size()) {
        if (error)
            *error = ErrorTextFor(in, from);
        return false;
    }
    return WriteFile(to, bytes, error, durability);
}

int CXFileWriter::SweepStrayFiles(const QString& folder, qint64 minAgeSeconds)
{
    static const QRegularExpression kOwnName(QStringLiteral("^\\..+\\.[A-Za-z0-9]{6}\\.(tmp|old)$"));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-minAgeSeconds);
    int removed = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (!kOwnName.match(info.fileName()).hasMatch() || info.lastModified().toUTC() > before)
            continue;
        if (QFile::remove(info.filePath()))
            ++removed;
    }
    if (removed)
        qCDebug(lcFormats) << "removed" << removed << "stray files of cut-short writes in" << folder;
    return removed;
}

QString CXFileWriter::ErrorTextFor(int errorCode, const QString& path)
{
    for (const Reason& r : kReasons) {
        if (r.error == errorCode)
            return QString::fromLatin1(r.text).arg(DisplayName(path));
    }
    return QStringLiteral("An unexpected error occurred while accessing %1.").arg(DisplayName(path));
}

QString CXFileWriter::ErrorTextFor(const QFileDevice& file, const QString& path)
{
    // Qt words this one itself; the system would call it a denied access.
    if (QFileInfo(path).isDir())
        return ErrorTextFor(EISDIR, path);
    const QString reason = file.errorString();
    for (const Reason& r : kReasons) {
        if (reason == qt_error_string(r.error))
            return ErrorTextFor(r.error, path);
    }
    return ErrorTextFor(0, path);
}

bool CXFileWriter::Fail(int errorCode, const QString& path)
{
    m_nError = errorCode;
    m_strError = ErrorTextFor(errorCode, path);
    qCDebug(lcFormats) << m_strError;
    return false;
}

void CXFileWriter::Discard()
{
    for (const Staged& staged : std::as_const(m_staged))
        QFile::remove(staged.temp);
    m_staged.clear();
}

#ifdef Q_OS_UNIX

bool CXFileWriter::Stage(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty() || QFileInfo(path).fileName().isEmpty())
        return Fail(ENOENT, path);
    if (QFileInfo(path).isDir())
        return Fail(EISDIR, path);
    SweepOnce(path);
    for (int attempt = 0;; ++attempt) {
        const QString temp = SiblingName(path, "tmp");
        const int error = WriteTemp(temp, path, bytes, m_durability == Durability::Synced);
        if (error == EEXIST && attempt < 16)
            continue;
        if (error)
            return Fail(error, path);
        m_staged.append({path, temp});
        return true;
    }
}

bool CXFileWriter::Commit()
{
    // Before a target is replaced its old file gets a second name, so a later failure can put it back.
    struct Done
    {
        QString path;
        QString backup; // empty: no second name (no old file, or a file system without links)
        bool existed = false;
    };
    QList<Done> done;
    const auto rollBack = [&] {
        for (auto it = done.crbegin(); it != done.crend(); ++it) {
            if (!it->backup.isEmpty())
                RenameOver(it->backup, it->path);
            else if (!it->existed)
                QFile::remove(it->path);
        }
    };
    const bool group = m_staged.size() > 1;
    for (const Staged& staged : std::as_const(m_staged)) {
        Done entry{staged.path, QString(), QFileInfo::exists(staged.path)};
        if (group && entry.existed) {
            entry.backup = SiblingName(staged.path, "old");
            // Without links (a FAT stick) the old file cannot be kept: the group is then replaced
            // without a way back, which still never mixes complete files with cut ones.
            if (::link(QFile::encodeName(staged.path).constData(), QFile::encodeName(entry.backup).constData()) != 0)
                entry.backup.clear();
        }
        if (const int error = RenameOver(staged.temp, staged.path)) {
            if (!entry.backup.isEmpty())
                QFile::remove(entry.backup);
            rollBack();
            for (const Done& d : std::as_const(done))
                if (!d.backup.isEmpty())
                    QFile::remove(d.backup);
            Discard();
            return Fail(error, staged.path);
        }
        done.append(entry);
    }
    for (const Done& d : std::as_const(done)) {
        if (!d.backup.isEmpty())
            QFile::remove(d.backup);
        if (m_durability == Durability::Synced)
            SyncFolder(d.path);
    }
    m_staged.clear();
    m_strError.clear();
    m_nError = 0;
    return true;
}

#else

// Elsewhere each file is written unbuffered beside its target and put in place through an unbuffered
// QSaveFile, so no failed flush hides behind its commit; files of a group are replaced one by one.
bool CXFileWriter::Stage(const QString& path, const QByteArray& bytes)
{
    SweepOnce(path);
    const QString temp = SiblingName(path, "tmp");
    QFile file(temp);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return Fail(EACCES, path);
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            file.close();
            file.remove();
            return Fail(ENOSPC, path);
        }
        done += written;
    }
    file.close();
    m_staged.append({path, temp});
    return true;
}

bool CXFileWriter::Commit()
{
    for (const Staged& staged : std::as_const(m_staged)) {
        QFile temp(staged.temp);
        if (!temp.open(QIODevice::ReadOnly))
            return Fail(EACCES, staged.path);
        const QByteArray bytes = temp.readAll();
        temp.close();
        QSaveFile file(staged.path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size() ||
            !file.commit()) {
            Discard();
            return Fail(ENOSPC, staged.path);
        }
    }
    Discard();
    m_strError.clear();
    m_nError = 0;
    return true;
}

#endif

bool CXFileWriter::WriteFile(const QString& path, const QByteArray& bytes, QString* error, Durability durability)
{
    CXFileWriter writer(durability);
    const bool written = writer.Stage(path, bytes) && writer.Commit();
    if (error)
        *error = writer.ErrorText();
    return written;
}

QString CutText(const QString& text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    QString cut = text.left(limit);
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

// Cuts a file name's stem until stem + extension fits in maxBytes of UTF-8 and limit characters.
QString CutFileName(const QString& name, qsizetype maxBytes, qsizetype limit)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    QString stem = dot > 0 ? name.left(dot) : name;
    stem = CutText(stem, std::max<qsizetype>(0, limit - extension.size()));
    while (!stem.isEmpty() && (stem + extension).toUtf8().size() > maxBytes)
        stem = CutText(stem, stem.size() - 1);
    return stem + extension;
}

QString SafeFileName(const QString& name)
{
    QString safe = name;
    for (QChar& c : safe) {
#ifdef Q_OS_WIN
        const bool bad = c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c);
#else
        const bool bad = c.unicode() < 0x20 || c == QLatin1Char('/');
#endif
        if (bad)
            c = QLatin1Char('-');
    }
    return CutFileName(safe, 255, 255);
}
