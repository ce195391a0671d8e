#pragma once

#include <QString>

// Writes why Mirel died before it dies. On Unix a handler of SIGSEGV, SIGBUS, SIGFPE, SIGILL and
// SIGABRT, on an alternate stack so that the main thread's stack overflow is caught too, writes
// one line (time, signal, faulting address, Mirel's version), the program's load address and the
// dying thread's raw stack to a new crash file (CrashFiles names it, mode 0600) and to standard
// error; then it passes the signal on to the handler that was there before, if any, and ends
// the process with the signal's default action, so that the exit status, a core dump and the
// desktop's crash tools are as without it. On Windows an unhandled-exception filter writes a
// minidump and the same line beside it, then lets the system's crash reporting go on.
// In force from install() to the end of the process, after runShell() returns too.
namespace CrashHandler {
// Once, with the folder of the crash files, which exists.
void install(const QString &folder);
// Installs the handlers again where something replaced them since, and says so in the log;
// the handler found in their place is the one passed on to.
void keepInForce();
} // namespace CrashHandler
