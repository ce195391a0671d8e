#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh folder for settings (XDG_CONFIG_HOME, and XDG_CONFIG_DIRS for the machine's), data (XDG_DATA_HOME: the pages' profile, the log
// file), caches (XDG_CACHE_HOME: the HTTP cache, Qt's and the graphics driver's shader caches), the
// login's runtime files (XDG_RUNTIME_DIR: the one-instance lock; no session bus) and temporary files (TMPDIR), so a
// test never touches the real ones nor meets a program another test started. Removed with
// everything in it at the end.
class IsolatedEnvironment final
{
public:
    IsolatedEnvironment();

    // Points this process's variables here, before Qt first reads them. Only for the test run's
    // own folder: the variables would outlive a shorter-lived one and lead elsewhere.
    void applyToThisProcess() const;

    QString path() const { return m_root.path(); }
    QString configHome() const { return m_root.filePath(QStringLiteral("config")); }
    // Stands for /etc/xdg: machine-wide defaults and locked settings.
    QString systemConfigDirs() const { return m_root.filePath(QStringLiteral("system")); }
    QString dataHome() const { return m_root.filePath(QStringLiteral("data")); }
    QString cacheHome() const { return m_root.filePath(QStringLiteral("cache")); }
    QString runtimeDir() const { return m_root.filePath(QStringLiteral("runtime")); }
    QString tempDir() const { return m_root.filePath(QStringLiteral("tmp")); }

private:
    QTemporaryDir m_root;
};

// A QTest main whose settings and temporary folders are private to this test run.
#define MIREL_TEST_MAIN(TestObject)                                                                \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        IsolatedEnvironment isolatedEnvironment;                                                   \
        isolatedEnvironment.applyToThisProcess();                                                  \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                \
        QApplication app(argc, argv);                                                              \
        TestObject testObject;                                                                     \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&testObject, argc, argv);                                              \
    }
