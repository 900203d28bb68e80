#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QList>
#include <QString>

// Every file the program writes goes through here. The whole content is written to a temporary
// file beside the target with every write checked, synced to the disk, and only then renamed over
// the old file: a full disk, a write error or a crash leaves the previous file whole.
//
// Several files can be replaced together (a photo and its full-size copy): all of them are written
// and synced first, and only when every one is complete are they renamed into place; a rename that
// still fails puts back the files already replaced.
class CXFileWriter
{
public:
    enum class Durability
    {
        Synced, // the user's files: on the disk before the old file is replaced
        Scratch // files read back at once and deleted: complete and checked, but not waited for
    };

    explicit CXFileWriter(Durability durability = Durability::Synced);
    ~CXFileWriter(); // removes what was staged and not committed
    Q_DISABLE_COPY_MOVE(CXFileWriter)

    // Writes bytes to a temporary file beside path. False (and ErrorText set) when it could not be
    // written whole; nothing at path has changed then.
    bool Stage(const QString& path, const QByteArray& bytes);
    // Renames every staged file over its target. False when one could not be put in place; the
    // targets are then as they were before.
    bool Commit();

    // The reason of the last failure, for the user: "Disk full while accessing %1." and the like,
    // naming the target file.
    QString ErrorText() const { return m_strError; }
    int ErrorCode() const { return m_nError; }

    // One file, whole or not at all. error receives the reason and is cleared on success.
    static bool WriteFile(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                          Durability durability = Durability::Synced);

    // A copy of the file at from, put in place as WriteFile does.
    static bool CopyFileTo(const QString& from, const QString& to, QString* error = nullptr,
                           Durability durability = Durability::Synced);

    // Removes what writes cut short by a crash or a kill left in folder: this writer's own hidden
    // ".name.XXXXXX.tmp" and ".old" files, once they are older than minAgeSeconds (a save still
    // running elsewhere is never that slow). Returns how many went. Stage does this once per folder.
    static int SweepStrayFiles(const QString& folder, qint64 minAgeSeconds = 3600);

    // The user's text for a system error code met while accessing path.
    static QString ErrorTextFor(int errorCode, const QString& path);
    // The same for a file Qt failed to open, read or write; Qt hands on the system's reason only as text.
    static QString ErrorTextFor(const QFileDevice& file, const QString& path);

private:
    struct Staged
    {
        QString path;
        QString temp;
    };

    bool Fail(int errorCode, const QString& path);
    void Discard();

    Durability m_durability;
    QList<Staged> m_staged;
    QString m_strError;
    int m_nError = 0;
};

// text cut to at most limit UTF-16 units without splitting a surrogate pair.
QString CutText(const QString& text, qsizetype limit);

// A file name's stem cut until stem + extension fits in maxBytes of UTF-8 and limit characters.
QString CutFileName(const QString& name, qsizetype maxBytes, qsizetype limit);

// name with the characters a file name cannot hold replaced by "-" and cut, its extension kept, to
// the 255 bytes a file name may have.
QString SafeFileName(const QString& name);
