#include "app/shell.h"
#include "bridge/instrumentthread.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    const int status = runShell(argc, argv);
    // A library call that never returned still runs: end here rather than run the library's
    // exit code under it. Standard output still gets what the calibration wrote.
    if (InstrumentThread::leftWorkRunning()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
