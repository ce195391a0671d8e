#include "instrumentsession.h"

InstrumentSession::InstrumentSession(std::unique_ptr<InstrumentSdk> sdk, std::chrono::milliseconds pollInterval)
    : m_sdk(std::move(sdk))
    , m_link(*m_sdk, pollInterval, [this] { return m_runningFor != m_document.load(); })
{
}

void InstrumentSession::startNewDocument()
{
    m_document.fetch_add(1);
    m_link.wakeButtonWait();
}

bool InstrumentSession::beginWorkFor(uint64_t document)
{
    m_runningFor = document;
    return document == m_document.load();
}

InstrumentStatus::Snapshot InstrumentSession::status() const
{
    InstrumentStatus::Snapshot snapshot = m_link.status().snapshot();
    snapshot.library = m_sdk->libraryDescription();
    return snapshot;
}

InstrumentAnswer InstrumentSession::run(const InstrumentCall &call)
{
    using Kind = InstrumentCall::Kind;
    InstrumentAnswer answer;
    answer.number = call.number;
    if (call.kind != Kind::ConnectFirstDevice && !beginWorkFor(call.document))
        return answer;
    answer.run = true;
    switch (call.kind) {
    case Kind::ConnectFirstDevice:
        m_link.connectFirstDevice();
        break;
    case Kind::IsConnected:
        answer.flag = m_link.isConnected();
        break;
    case Kind::SerialNumber:
        answer.text = m_link.serialNumber();
        break;
    case Kind::DeviceInfo:
        answer.text = m_link.deviceInfo();
        break;
    case Kind::Option:
        answer.text = m_link.option(call.key);
        break;
    case Kind::CalibrateAfterPress:
        answer.text = m_link.calibrateAfterPress();
        break;
    case Kind::CalibrateNow:
        answer.text = m_link.calibrateNow();
        break;
    case Kind::ScanAfterPress:
        answer.text = m_link.scanAfterPress();
        break;
    case Kind::ScanNow:
        answer.text = m_link.scanNow();
        break;
    }
    return answer;
}
