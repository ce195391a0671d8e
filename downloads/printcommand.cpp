#include "printcommand.h"

#include "detachedspawn.h"

#include <QProcess>
#include <QRegularExpression>

PrintCommand printCommand(const QString &path, Platform platform)
{
    if (platform == Platform::Windows) {
        // QDir::toNativeSeparators() only converts on Windows itself; this must also hold in tests.
        const QString nativePath = QString(path).replace(QLatin1Char('/'), QLatin1Char('\\'));
        // The empty argument is the window title "start" expects before a quoted file.
        return { QStringLiteral("cmd"),
                 { QStringLiteral("/c"), QStringLiteral("start"), QString(), QStringLiteral("/WAIT"),
                   nativePath } };
    }
    return { QStringLiteral("lp"), { path } };
}

QString windowsCommandLine(const QStringList &arguments)
{
    // Switches and words stay bare; anything else is quoted. Windows paths cannot contain '"'.
    static const QRegularExpression bare(QStringLiteral("^[A-Za-z0-9/]+$"));
    QStringList quoted;
    for (const QString &argument : arguments) {
        quoted << (bare.match(argument).hasMatch() ? argument
                                                   : QLatin1Char('"') + argument + QLatin1Char('"'));
    }
    return quoted.join(QLatin1Char(' '));
}

bool startPrintCommand(const PrintCommand &command)
{
#ifdef Q_OS_WIN
    QProcess process;
    process.setProgram(command.program);
    // Qt quotes only arguments with spaces, and cmd would run "&calc" from an unquoted name.
    process.setNativeArguments(windowsCommandLine(command.arguments));
    return process.startDetached();
#else
    return spawnDetached(command.program, command.arguments);
#endif
}
