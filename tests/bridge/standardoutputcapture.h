#pragma once

#include <QByteArray>
#include <QTemporaryFile>

// Sends the process's standard output to a file until finish(), so a test can read what the
// calibration wrote there. Compare only after finish(): the test's own report goes there too.
class StandardOutputCapture final
{
public:
    StandardOutputCapture();
    ~StandardOutputCapture();
    StandardOutputCapture(const StandardOutputCapture &) = delete;
    StandardOutputCapture &operator=(const StandardOutputCapture &) = delete;

    // Restores standard output and answers what was written meanwhile.
    QByteArray finish();

private:
    QTemporaryFile m_file;
    int m_savedDescriptor = -1;
};
