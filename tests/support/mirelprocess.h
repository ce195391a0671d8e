#pragma once

#include "isolatedenvironment.h"

#include <QMap>
#include <QProcess>
#include <QStringList>

#include <memory>
#include <optional>

// Runs the real mirel executable with private settings and temporary folders and collects what
// it writes. Test pages report with console warnings "MIREL-TEST <tag> <json>" (see bridgePage()):
// the engine logs page warnings to standard error, but not plain console.log lines.
class MirelProcess final
{
public:
    MirelProcess();
    ~MirelProcess();

    QString home() const { return m_environment.path(); }
    QString configHome() const { return m_environment.configHome(); }
    QString systemConfigDirs() const { return m_environment.systemConfigDirs(); }
    QString dataHome() const { return m_environment.dataHome(); }
    QString cacheHome() const { return m_environment.cacheHome(); }
    QString tempDir() const { return m_environment.tempDir(); }
    QString runtimeDir() const { return m_environment.runtimeDir(); }
    QString settingsFile() const;
    QString logFile() const;

    // Before start(): the application settings store as the program will find it.
    void writeSettings(const QMap<QString, QString> &values) const;
    QMap<QString, QString> readSettings() const;
    // Writes a bridge test page running `script` into the private folder; returns its URL.
    QString writeBridgePage(const QString &fileName, const QString &script) const;

    void setEnvironment(const QString &name, const QString &value);
    // Before start(): the program gets a virtual display of its own, so that no other test's
    // window takes the keyboard focus or the mouse from it. False when Xvfb did not start.
    bool usePrivateDisplay();
    // Loads the simulated instrument instead of the vendor's library, journalling its calls.
    void useSimulator();
    // The calls the simulated instrument received so far, one per line.
    QByteArrayList simulatorJournal() const;

    // Starts the program; again after stop() for a second run on the same settings.
    void start();
    bool isRunning() const;
    // Starts another copy with the same environment, as a second double-click would, but for the
    // `NAME=value` pairs in `changes`; the caller waits for it.
    std::unique_ptr<QProcess> startAnother(const QStringList &changes = {}) const;
    // Ends the program at once, leaving behind whatever a crash leaves.
    void crash();
    // Sends the program `signalNumber` (Unix) and returns the signal that ended it, or -1 when
    // it exited instead or went on running.
    int endWithSignal(int signalNumber);
    // Raises and focuses the program's (first) window and runs xdotool `actions` ("key F5"; "%1"
    // names the window); returns what xdotool printed, or nothing when it failed. Another process's
    // window when `pid` is given.
    std::optional<QString> xdotool(const QStringList &actions, qint64 pid = 0) const;
    qint64 processId() const { return m_process.processId(); }

    // The JSON text the page reported under `tag`, once it arrives.
    std::optional<QString> waitForReport(const QString &tag, int timeoutMs = 20000);
    // How many times the page has reported `tag` so far (a page reports again when reloaded).
    int reportCount(const QString &tag);
    // Waits for a line of the debug log (standard error) equal to `line`.
    bool waitForLogLine(const QString &line, int timeoutMs = 20000);
    QStringList logLines();
    QByteArray standardOutput();

    // Ends the program the way a session logout does and returns its exit code,
    // or -1 when it had to be killed.
    int stop(int timeoutMs = 20000);

private:
    void readOutput();

    IsolatedEnvironment m_environment;
    QProcessEnvironment m_processEnvironment;
    QProcess m_display;
    QProcess m_process;
    QByteArray m_standardError;
    QByteArray m_standardOutput;
};

// A page that connects to "eyeOneConnector" and runs `script` inside an async function with
// `bridge` (the published object, or null), `call(name, ...args)` (a promise of the answer)
// and `report(tag, value)` in scope.
QString bridgePage(const QString &script);
