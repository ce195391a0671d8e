#include "terminationsignalquit.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// The handler may only write to a descriptor; the notifier reads it on the main thread.
int signalPipe[2] = {-1, -1};

extern "C" void writeToSignalPipe(int)
{
    // The interrupted code may be about to read errno, which write() can change.
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
    errno = savedErrno;
}
} // namespace

TerminationSignalQuit::TerminationSignalQuit(QObject *parent)
    : QObject(parent)
{
    // Close-on-exec: a program started later must not hold the pair open.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignalQuit::quitApplication);

    struct sigaction action = {};
    action.sa_handler = writeToSignalPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

TerminationSignalQuit::~TerminationSignalQuit()
{
    if (!m_notifier)
        return;
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void TerminationSignalQuit::quitApplication()
{
    char byte = 0;
    [[maybe_unused]] const auto read = ::read(signalPipe[1], &byte, 1);
    // Not quit(), which first offers every window a close it may refuse: a logout or a service
    // manager does not wait for a question.
    QCoreApplication::exit(0);
}
