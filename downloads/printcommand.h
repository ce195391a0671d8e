#pragma once

#include <QString>
#include <QStringList>

enum class Platform { Windows, Unix };

// The platform this build runs on.
constexpr Platform currentPlatform()
{
#ifdef Q_OS_WIN
    return Platform::Windows;
#else
    return Platform::Unix;
#endif
}

// How a file is sent to the default printer: on Windows through the "print" verb of its
// application ("cmd /c start "" /WAIT <file>"), elsewhere with the CUPS "lp" command.
struct PrintCommand
{
    QString program;
    QStringList arguments;
};

PrintCommand printCommand(const QString &path, Platform platform);

// The Windows command line after the program for `arguments`, each empty argument and the
// last one (the file) always in double quotes so cmd never reads the file name as commands.
QString windowsCommandLine(const QStringList &arguments);

// Starts `command` detached from this process, without a working directory of its own.
bool startPrintCommand(const PrintCommand &command);
