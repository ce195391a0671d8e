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

// How a file is sent to the printer: on Windows it is opened with its registered application
// and waited for ("cmd /c start "" /WAIT <file>"), elsewhere printed with the CUPS "lp" command.
struct PrintCommand
{
    QString program;
    QStringList arguments;
};

PrintCommand printCommand(const QString &path, Platform platform);

// The Windows command line after the program for `arguments`: every argument that is not plain
// letters, digits and slashes (so the empty one and the file's path) goes in double quotes, so
// cmd never reads the file name as commands.
QString windowsCommandLine(const QStringList &arguments);

// Starts `command` detached from this process, without a working directory of its own.
bool startPrintCommand(const PrintCommand &command);
