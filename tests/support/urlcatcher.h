#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

namespace TestSupport {

// Stands where the desktop's browser and mail program would: while it lives, every address of its
// schemes handed to QDesktopServices::openUrl lands in `urls` instead.
class UrlCatcher : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UrlCatcher)

public:
    explicit UrlCatcher(const QStringList& schemes);
    ~UrlCatcher() override;

    QList<QUrl> urls;

public Q_SLOTS:
    void Open(const QUrl& url);

private:
    QStringList m_schemes;
};

} // namespace TestSupport
