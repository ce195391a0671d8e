#include "desktopopen.h"

#include "detachedspawn.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

QStringList xdgOpenCommand(const QString &path, const QString &xdgOpen, bool sandboxed)
{
    if (xdgOpen.isEmpty() || sandboxed)
        return {};
    return { xdgOpen, QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded()) };
}

void openWithDesktop(const QString &path)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    const bool sandboxed = QFileInfo::exists(QStringLiteral("/.flatpak-info")) || qEnvironmentVariableIsSet("SNAP");
    QStringList command = xdgOpenCommand(path, QStandardPaths::findExecutable(QStringLiteral("xdg-open")), sandboxed);
    if (!command.isEmpty()) {
        const QString program = command.takeFirst();
        if (spawnDetached(program, command))
            return;
    }
#endif
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
