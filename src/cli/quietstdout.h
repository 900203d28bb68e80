#pragma once

#include <QtGlobal>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Cli {

// The PDF writer reports each page on standard output, where the desktop program shows nothing.
// A command whose standard output must hold only its own result keeps one of these alive while
// PDFs are written: meanwhile standard output goes nowhere.
class CXQuietStdout
{
    Q_DISABLE_COPY_MOVE(CXQuietStdout)

public:
    CXQuietStdout()
    {
#ifdef Q_OS_UNIX
        std::fflush(stdout);
        m_nSaved = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_nSaved >= 0 && null >= 0)
            dup2(null, STDOUT_FILENO);
        if (null >= 0)
            close(null);
#endif
    }
    ~CXQuietStdout()
    {
#ifdef Q_OS_UNIX
        std::fflush(stdout);
        if (m_nSaved >= 0) {
            dup2(m_nSaved, STDOUT_FILENO);
            close(m_nSaved);
        }
#endif
    }

private:
    int m_nSaved = -1;
};

} // namespace Cli
