#include "mirelprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QThread>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {
const QByteArray ReportPrefix = "MIREL-TEST ";

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}
} // namespace

MirelProcess::MirelProcess()
    : m_processEnvironment(QProcessEnvironment::systemEnvironment())
{
    m_processEnvironment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    m_processEnvironment.insert(QStringLiteral("XDG_CONFIG_DIRS"), m_environment.systemConfigDirs());
    m_processEnvironment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    m_processEnvironment.insert(QStringLiteral("XDG_CACHE_HOME"), m_environment.cacheHome());
    m_processEnvironment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
    m_processEnvironment.insert(QStringLiteral("TMPDIR"), tempDir());
    m_processEnvironment.remove(QStringLiteral("MIREL_SDK_LIBRARY"));
    // The tests read Mirel's English texts, whatever language the desktop running them speaks.
    m_processEnvironment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    QObject::connect(&m_process, &QProcess::readyReadStandardError, [this] { readOutput(); });
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { readOutput(); });
}

MirelProcess::~MirelProcess()
{
    if (isRunning())
        stop(5000);
    if (m_display.state() != QProcess::NotRunning) {
        m_display.terminate();
        m_display.waitForFinished(5000);
    }
}

QString MirelProcess::settingsFile() const
{
    return configHome() + QStringLiteral("/Quenza/Mirel.ini");
}

QString MirelProcess::logFile() const
{
    return m_environment.dataHome() + QStringLiteral("/Quenza/Mirel/mirel.log");
}

void MirelProcess::writeSettings(const QMap<QString, QString> &values) const
{
    QSettings settings(settingsFile(), QSettings::IniFormat);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        settings.setValue(it.key(), it.value());
}

QMap<QString, QString> MirelProcess::readSettings() const
{
    QSettings settings(settingsFile(), QSettings::IniFormat);
    QMap<QString, QString> values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key).toString());
    return values;
}

QString MirelProcess::writeBridgePage(const QString &fileName, const QString &script) const
{
    const QString path = QDir(home()).filePath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(bridgePage(script).toUtf8());
    return QUrl::fromLocalFile(path).toString();
}

void MirelProcess::setEnvironment(const QString &name, const QString &value)
{
    m_processEnvironment.insert(name, value);
}

bool MirelProcess::usePrivateDisplay()
{
    // Xvfb writes the number of the display it chose to standard output once it accepts clients.
    m_display.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    if (!m_display.waitForReadyRead(10000))
        return false;
    setEnvironment(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(m_display.readAll().trimmed()));
    return true;
}

void MirelProcess::useSimulator()
{
    setEnvironment(QStringLiteral("MIREL_SDK_LIBRARY"), QStringLiteral(MIREL_SIMULATOR_LIBRARY));
    setEnvironment(QStringLiteral("MIREL_SIM_JOURNAL"), QDir(home()).filePath(QStringLiteral("journal.txt")));
}

QByteArrayList MirelProcess::simulatorJournal() const
{
    QFile file(QDir(home()).filePath(QStringLiteral("journal.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().trimmed().split('\n');
}

void MirelProcess::start()
{
    m_standardError.clear();
    m_standardOutput.clear();
    m_process.setProcessEnvironment(m_processEnvironment);
    m_process.start(QStringLiteral(MIREL_EXECUTABLE), {});
    m_process.waitForStarted(10000);
}

bool MirelProcess::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

std::unique_ptr<QProcess> MirelProcess::startAnother(const QStringList &changes) const
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = m_processEnvironment;
    for (const QString &change : changes)
        environment.insert(change.section(QLatin1Char('='), 0, 0), change.section(QLatin1Char('='), 1));
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral(MIREL_EXECUTABLE), {});
    process->waitForStarted(10000);
    return process;
}

void MirelProcess::crash()
{
    m_process.kill();
    m_process.waitForFinished(10000);
    readOutput();
}

int MirelProcess::endWithSignal(int signalNumber)
{
#ifdef Q_OS_UNIX
    ::kill(pid_t(processId()), signalNumber);
#endif
    m_process.waitForFinished(20000);
    readOutput();
    if (isRunning() || m_process.exitStatus() != QProcess::CrashExit)
        return -1;
    // QProcess's exit code for a crash is the signal's number.
    return m_process.exitCode();
}

std::optional<QString> MirelProcess::xdotool(const QStringList &actions, qint64 pid) const
{
    const auto run = [this](const QStringList &arguments) -> std::optional<QString> {
        QProcess xdotool;
        xdotool.setProcessEnvironment(m_processEnvironment);
        xdotool.start(QStringLiteral("xdotool"), arguments);
        if (!xdotool.waitForFinished(10000) || xdotool.exitStatus() != QProcess::NormalExit || xdotool.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(xdotool.readAllStandardOutput());
    };
    const auto windows = run({"search", "--sync", "--onlyvisible", "--pid", QString::number(pid ? pid : processId())});
    if (!windows)
        return std::nullopt;
    const QString window = windows->section(QLatin1Char('\n'), 0, 0);
    // Raised too: a click or a wheel turn goes to whatever window is on top there, which may be
    // another test's.
    QStringList arguments{"windowraise", window, "windowfocus", "--sync", window};
    for (const QString &action : actions)
        arguments.append(action == QLatin1String("%1") ? window : action);
    return run(arguments);
}

void MirelProcess::readOutput()
{
    m_standardError += m_process.readAllStandardError();
    m_standardOutput += m_process.readAllStandardOutput();
}

std::optional<QString> MirelProcess::waitForReport(const QString &tag, int timeoutMs)
{
    const QByteArray marker = ReportPrefix + tag.toUtf8() + ' ';
    std::optional<QString> found;
    waitUntil(
        [&] {
            readOutput();
            for (const QByteArray &line : m_standardError.split('\n')) {
                const int at = line.indexOf(marker);
                if (at >= 0) {
                    found = QString::fromUtf8(line.mid(at + marker.size()));
                    return true;
                }
            }
            return !isRunning();
        },
        timeoutMs);
    return found;
}

int MirelProcess::reportCount(const QString &tag)
{
    readOutput();
    return m_standardError.count(ReportPrefix + tag.toUtf8() + ' ');
}

bool MirelProcess::waitForLogLine(const QString &line, int timeoutMs)
{
    return waitUntil(
        [&] {
            readOutput();
            return logLines().contains(line);
        },
        timeoutMs);
}

QStringList MirelProcess::logLines()
{
    readOutput();
    return QString::fromUtf8(m_standardError).split(QLatin1Char('\n'));
}

QByteArray MirelProcess::standardOutput()
{
    readOutput();
    return m_standardOutput;
}

int MirelProcess::stop(int timeoutMs)
{
    if (isRunning()) {
        m_process.terminate();
        if (!waitUntil([this] { return !isRunning(); }, timeoutMs)) {
            m_process.kill();
            m_process.waitForFinished(5000);
            readOutput();
            return -1;
        }
    }
    readOutput();
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QString bridgePage(const QString &script)
{
    return QStringLiteral(R"(<!doctype html>
<html><head><meta charset="utf-8"><title>bridge test</title>
<script src="qrc:///qtwebchannel/qwebchannel.js"></script></head>
<body><p>bridge test</p><script>
function report(tag, value) { console.warn("MIREL-TEST " + tag + " " + JSON.stringify(value)); }
async function run(bridge) {
  const call = (name, ...args) => new Promise(resolve => bridge[name](...args, resolve));
  try {
%1
  } catch (e) { report("error", String(e)); }
}
if (typeof qt === "undefined" || !qt.webChannelTransport) { run(null); }
else { new QWebChannel(qt.webChannelTransport, channel => run(channel.objects.eyeOneConnector || null)); }
</script></body></html>
)")
        .arg(script);
}
