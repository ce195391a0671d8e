#pragma once

#include "buttonwait.h"
#include "instrumentsession.h"
#include "instrumentthread.h"
#include "sdk/instrumentsdk.h"

#include <QFuture>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

// The object the page calls as "eyeOneConnector". Device slots do their work on the instrument
// thread and answer through futures that finish on the GUI thread, in the order of the calls,
// and only for the document that made them; setIni answers at once, even during a button wait.
class Object final : public QObject
{
    Q_OBJECT
public:
    // Loads the instrument library named by MIREL_SDK_LIBRARY, or the vendor's.
    explicit Object(QObject *parent = nullptr);
    explicit Object(std::unique_ptr<InstrumentSdk> sdk, QObject *parent = nullptr,
                    std::chrono::milliseconds pollInterval = ButtonWait::DefaultPollInterval);
    // Ends a running button wait; the instrument is not closed.
    ~Object() override;

    // The web application's login page, the start page when none is configured.
    QString defaultStartPage() const { return m_defaultStartPage; }

    // Whether the page now shown may use the bridge. While it may not, device slots answer null
    // and setIni an empty text; neither touches the instrument or the settings.
    void setPageTrusted(bool trusted) { m_pageTrusted = trusted; }
    // The page's main frame now shows a new document. The calls of the one before are dropped
    // unanswered (the channel would hand their answers to the new document's callbacks), its
    // button wait ends at once, and nothing more is started for it.
    void startNewDocument();

public slots:
    QFuture<bool> isConnected();
    QFuture<bool> Connected();
    QFuture<QString> getDeviceID();
    QFuture<QString> getDeviceInfo();
    QFuture<QString> getOption(const QString &key);
    QFuture<QString> doCalibrate();
    QFuture<QString> doCalibrateNow();
    QFuture<QString> doOneScan();
    QFuture<QString> doOneScanNow();
    QString setIni(const QString &key, const QString &value);

private:
    template<typename Work>
    QFuture<std::invoke_result_t<Work, InstrumentLink &>> postIfTrusted(Work work);

    const QString m_defaultStartPage;
    bool m_pageTrusted = true;
    std::shared_ptr<InstrumentSession> m_session;
    // Answers of documents that are gone. Kept unfinished: a cancelled future is answered too.
    std::vector<std::shared_ptr<void>> m_unanswered;
    // Declared last: its thread ends, or is left to a stuck call, before the rest goes.
    InstrumentThread m_thread;
};
