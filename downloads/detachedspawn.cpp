#include "detachedspawn.h"

#ifdef Q_OS_WIN
#include <QProcess>

bool spawnDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}
#else
#include <QByteArrayList>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char **environ;

bool spawnDetached(const QString &program, const QStringList &arguments)
{
    QByteArrayList encoded{ QFile::encodeName(program) };
    for (const QString &argument : arguments)
        encoded.append(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // As a program started from a terminal: every signal at its default and none blocked, so it
    // neither inherits the engine's ignored SIGPIPE nor ends with this process's session.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t set;
    sigemptyset(&set);
    posix_spawnattr_setsigmask(&attributes, &set);
    sigfillset(&set);
    posix_spawnattr_setsigdefault(&attributes, &set);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
    flags |= POSIX_SPAWN_SETSID;
#endif
    posix_spawnattr_setflags(&attributes, flags);
    // Standard input, output and error stay where they go now; no other descriptor of this
    // process (the engine's sockets and pipes among them) reaches the program.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#else
    // Those open now; one closed meanwhile by another thread is no error in the child.
    for (const QString &name : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System)) {
        if (name.toInt() > 2)
            posix_spawn_file_actions_addclose(&actions, name.toInt());
    }
#endif
    pid_t child = 0;
    const int error = posix_spawnp(&child, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return false;
    // An opener may live as long as the viewer it runs; until then the thread only sleeps.
    std::thread([child] {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}
#endif
