#include "instrumentthread.h"

InstrumentThread::InstrumentThread()
    : m_context(std::make_unique<QObject>())
{
    m_thread.setObjectName(QStringLiteral("instrument"));
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

InstrumentThread::~InstrumentThread()
{
    m_thread.quit();
    m_thread.wait();
    // Deleting the context discards the work still queued for it, cancelling those futures.
    m_context.reset();
}
