#pragma once

#include <QObject>
#include <QSocketNotifier>

// Ends the event loop when the process receives SIGTERM or SIGINT (session logout, a service
// manager, a test harness), so that the ordinary shutdown runs and buffered output is written.
// Unix only: on Windows the toolkit turns the equivalent messages into window close events.
class TerminationSignalQuit final : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignalQuit(QObject *parent = nullptr);
    ~TerminationSignalQuit() override;

private:
    void quitApplication();

    QSocketNotifier *m_notifier = nullptr;
};
