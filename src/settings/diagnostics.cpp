#include "settings/diagnostics.h"

#include <QLoggingCategory>
#include <QString>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

FILE* g_userError = nullptr;

void DropMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    // Fatal ends the program: that one line still reaches the user.
    if (type == QtFatalMsg)
        Diagnostics::WriteUserError(message.toLocal8Bit() + '\n');
}

} // namespace

namespace Diagnostics {

bool Enabled()
{
    return qEnvironmentVariableIsSet("LISTORA_DEBUG") || qEnvironmentVariableIsSet("LISTORA_RENDER_DEBUG");
}

void Install()
{
    if (Enabled()) {
        if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
            QLoggingCategory::setFilterRules(QStringLiteral("listora.*.debug=true"));
        return;
    }
    qInstallMessageHandler(DropMessage);
#ifdef Q_OS_UNIX
    // libpng and others print with fprintf(stderr, ...) where no message handler sees them.
    std::fflush(stderr);
    const int original = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (original >= 0 && null >= 0) {
        g_userError = ::fdopen(original, "w");
        if (g_userError) {
            std::setvbuf(g_userError, nullptr, _IONBF, 0);
            ::dup2(null, STDERR_FILENO);
        } else {
            ::close(original);
        }
    } else if (original >= 0) {
        ::close(original);
    }
    if (null >= 0)
        ::close(null);
#endif
}

FILE* UserError()
{
    return g_userError ? g_userError : stderr;
}

void WriteUserError(const QByteArray& bytes)
{
    FILE* file = UserError();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
    std::fflush(file);
}

} // namespace Diagnostics
