#include "support/dialogs.h"

#include <QElapsedTimer>

namespace TestSupport {

void ModalWatch::Stop()
{
    if (poll) {
        poll->stop();
        poll->deleteLater();
    }
}

std::shared_ptr<ModalWatch> WhenModal(std::function<bool(QWidget&)> matches, std::function<void(QWidget&)> answer,
                                      int patienceMs)
{
    auto watch = std::make_shared<ModalWatch>();
    auto* poll = new QTimer(qApp);
    watch->poll = poll;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, watch, matches, answer, waited, patienceMs] {
        poll->setInterval(20);
        const bool last = waited.elapsed() >= patienceMs;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && matches(*modal)) {
            // The answer may open the next dialog, whose own loop runs before it returns.
            poll->stop();
            watch->seen = true;
            watch->className = QString::fromLatin1(modal->metaObject()->className());
            answer(*modal);
            poll->deleteLater();
        } else if (last) {
            if (modal)
                qWarning("the dialog waited for did not open; %s is open instead", modal->metaObject()->className());
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(0);
    return watch;
}

} // namespace TestSupport
