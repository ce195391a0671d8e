#include "standardoutputcapture.h"

#include <cstdio>
#include <unistd.h>

StandardOutputCapture::StandardOutputCapture()
{
    // Without the file nothing is captured, and the test finds the output missing.
    if (!m_file.open())
        return;
    std::fflush(stdout);
    m_savedDescriptor = ::dup(STDOUT_FILENO);
    ::dup2(m_file.handle(), STDOUT_FILENO);
}

StandardOutputCapture::~StandardOutputCapture()
{
    finish();
}

QByteArray StandardOutputCapture::finish()
{
    if (m_savedDescriptor < 0)
        return QByteArray();
    std::fflush(stdout);
    ::dup2(m_savedDescriptor, STDOUT_FILENO);
    ::close(m_savedDescriptor);
    m_savedDescriptor = -1;
    QFile file(m_file.fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
