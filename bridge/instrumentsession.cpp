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
