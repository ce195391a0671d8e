#include "isolatedenvironment.h"

#include <QDir>

IsolatedEnvironment::IsolatedEnvironment()
    : m_root(QDir::tempPath() + QStringLiteral("/mirel-test-XXXXXX"))
{
    QDir root(m_root.path());
    root.mkpath(QStringLiteral("config"));
    root.mkpath(QStringLiteral("tmp"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
    qputenv("TMPDIR", QFile::encodeName(tempDir()));
}
