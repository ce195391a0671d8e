#pragma once

#include "instrumentlink.h"
#include "instrumentthread.h"
#include "sdk/instrumentsdk.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

// The instrument library and the link that drives it, with the number of the document the page
// now shows. Shared by the bridge object and the work queued on the instrument thread, so that
// a library call that never returns keeps everything it uses alive after the bridge has gone.
class InstrumentSession final
{
public:
    InstrumentSession(std::unique_ptr<InstrumentSdk> sdk, std::chrono::milliseconds pollInterval);
    InstrumentSession(const InstrumentSession &) = delete;
    InstrumentSession &operator=(const InstrumentSession &) = delete;

    // Instrument thread only.
    InstrumentLink &link() { return m_link; }
    // Instrument thread: runs a call on the link, unless its document is gone by now.
    InstrumentAnswer run(const InstrumentCall &call);

    // Any thread: the document that calls made now belong to.
    uint64_t document() const { return m_document.load(); }
    // GUI thread: the page's main frame shows a new document. Work for the ones before is no
    // longer wanted: a running button wait ends at once.
    void startNewDocument();
    // Instrument thread, before each piece of work: false when its document is gone already.
    bool beginWorkFor(uint64_t document);
    // Any thread: the library and what the link last saw of the instrument.
    InstrumentStatus::Snapshot status() const;
    // Any thread: ends a running button wait and every later one, for shutdown.
    void cancelButtonWaits() { m_link.cancelButtonWaits(); }

private:
    std::unique_ptr<InstrumentSdk> m_sdk;
    std::atomic<uint64_t> m_document{0};
    // Read and written on the instrument thread only.
    uint64_t m_runningFor = 0;
    InstrumentLink m_link;
};
