#include "isolatedenvironment.h"

#include <QDir>

IsolatedEnvironment::IsolatedEnvironment()
    : m_root(QDir::tempPath() + QStringLiteral("/mirel-test-XXXXXX"))
{
    // Without it every path below would be relative or empty and lead into real folders.
    if (!m_root.isValid())
        qFatal("No private folder for the test under %s: %s", qPrintable(QDir::tempPath()),
               qPrintable(m_root.errorString()));
    QDir root(m_root.path());
    root.mkpath(QStringLiteral("config"));
    root.mkpath(QStringLiteral("system"));
    root.mkpath(QStringLiteral("data"));
    root.mkpath(QStringLiteral("cache"));
    root.mkpath(QStringLiteral("tmp"));
    // Private to the user, as a login's runtime folder is.
    root.mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void IsolatedEnvironment::applyToThisProcess() const
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(systemConfigDirs()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir()));
    qputenv("TMPDIR", QFile::encodeName(tempDir()));
    // A login whose session bus is not running. Left unset, the D-Bus library forks to start a bus,
    // and in a sanitizer build that child can deadlock on an allocator lock before its exec: the
    // program then never starts, and the child spins on after it is killed.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(runtimeDir()) + "/bus");
}
