#include "app/processevents.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

void ProcessEventsFor(int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(qMax<qint64>(1, deadline.remainingTime())));
        if (!deadline.hasExpired())
            QThread::msleep(1);
    }
}
