#include "userfolders.h"

#include <QFileInfo>
#include <QStandardPaths>

QString localDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Quenza/Mirel");
}

QString instanceFolder()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // Read directly: the toolkit's own lookup warns on standard error when the variable is unset.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
#endif
    return localDataFolder();
}
