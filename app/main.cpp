#include "app/shell.h"
#include "bridge/instrumentthread.h"

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

int main(int argc, char *argv[])
{
    const int status = runShell(argc, argv);
    // A library call that never returned still runs: end here rather than run the library's
    // exit code under it. Standard output still gets what the calibration wrote.
    if (InstrumentThread::leftWorkRunning()) {
        std::fflush(nullptr);
#ifdef Q_OS_WIN
        // _Exit ends in ExitProcess, which still runs every library's detach code, the vendor's
        // beside its stuck call; terminating runs none.
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
#endif
        std::_Exit(status);
    }
    return status;
}
