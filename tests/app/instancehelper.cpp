// Claims the instance. A second start prints "SECOND" and exits 3; the first prints "FIRST",
// then "WAKE:" and the text of every hand-over ("TOOLONG" after one refused for its length), and ends cleanly when its standard input closes.
#include "app/singleinstance.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

class CHelperInstance : public CSingleInstance
{
public:
    void OnWakeUp(const QString& text) override
    {
        std::printf("WAKE:%s\n", text.toUtf8().constData());
        std::fflush(stdout);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    CHelperInstance instance;
    if (!instance.ClaimInstance()) {
        std::printf("SECOND\n");
        return 3;
    }
    QObject::connect(instance.HandOvers(), &CHandOverNotifier::HandedOver, &app, [](const QString&, bool tooLong) {
        if (tooLong) {
            std::printf("TOOLONG\n");
            std::fflush(stdout);
        }
    });
    std::printf("FIRST%s\n", instance.IsListening() ? "" : " UNGUARDED");
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            QCoreApplication::quit();
    });
    return app.exec();
}
