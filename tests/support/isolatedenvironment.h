#pragma once

#include <QString>
#include <QTemporaryDir>

// Points XDG_CONFIG_HOME and TMPDIR at a fresh folder before Qt first reads them, so a test
// never touches the real settings or temporary files. Removed with everything in it at the end.
class IsolatedEnvironment final
{
public:
    IsolatedEnvironment();

    QString path() const { return m_root.path(); }
    QString configHome() const { return m_root.filePath(QStringLiteral("config")); }
    QString tempDir() const { return m_root.filePath(QStringLiteral("tmp")); }

private:
    QTemporaryDir m_root;
};

// A QTest main whose settings and temporary folders are private to this test run.
#define MIREL_TEST_MAIN(TestObject)                                                                \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        IsolatedEnvironment isolatedEnvironment;                                                   \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                \
        QApplication app(argc, argv);                                                              \
        TestObject testObject;                                                                     \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&testObject, argc, argv);                                              \
    }
