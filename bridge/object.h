#pragma once

#include "instrumentlink.h"
#include "instrumentthread.h"
#include "sdk/instrumentsdk.h"

#include <QFuture>
#include <QObject>
#include <QString>

#include <memory>

// The object the page calls as "eyeOneConnector". Device slots answer through futures that
// finish on the instrument thread; setIni answers at once, even during a button wait.
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
    QFuture<std::invoke_result_t<Work>> postIfTrusted(Work work);

    const QString m_defaultStartPage;
    bool m_pageTrusted = true;
    std::unique_ptr<InstrumentSdk> m_sdk;
    InstrumentLink m_link;
    // Declared last: its thread is joined before the link and the library go.
    InstrumentThread m_thread;
};
