#pragma once

#include <QHash>
#include <QObject>
#include <QRect>
#include <QString>
#include <QThreadPool>

#include <memory>
#include <optional>

// Quick reduced copies of photos chosen while Flyer Details is open, so the live flyer shows a new
// photo at once without the full intake, which still runs on Save. The copies go to a scratch folder
// (the program's temporary folder), never to the project's folder; they are made on a worker thread.
class CXDraftPhotos : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXDraftPhotos)

public:
    explicit CXDraftPhotos(const QString& folder, QObject* parent = nullptr);
    // Waits for copies still being made, so none is written after its owner is gone.
    ~CXDraftPhotos() override;

    // The copy of source for slot 1-4 with the crop applied: its path once made. Empty while it is
    // being made (CopyReady follows) or when the photo cannot be read (CopyFailed follows once).
    QString CopyFor(int slot, const QString& source, const std::optional<QRect>& crop);
    bool IsMaking() const { return m_nRunning > 0; }

    // The copy itself, as the worker thread makes it: the picture (a project photo's whole
    // original), cropped, fitted into the slot's box as the intake fits it, written as JPEG. Large
    // JPEGs are decoded at a reduced scale, which is what makes this quick.
    static bool MakeDraftPhoto(const QString& source, int slot, const std::optional<QRect>& crop, const QString& target,
                               QString* error = nullptr);

Q_SIGNALS:
    void CopyReady();
    void CopyFailed(const QString& why);

private:
    struct Entry
    {
        QString path;
        bool ready = false;
        bool failed = false;
    };

    QString m_strFolder;
    QHash<QString, Entry> m_entries;
    int m_nRunning = 0;
    int m_nNext = 0;
    QThreadPool m_pool;
    // Lets a result that arrives after the destructor began find nobody to tell.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
