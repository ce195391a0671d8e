#include "crashhandler.h"

#include "crashfiles.h"
#include "crashline.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>

#include <cstdint>

#ifdef Q_OS_WIN
#include <windows.h>
// After windows.h, which it needs.
#include <dbghelp.h>
#else
#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {
constexpr char Version[] = "Mirel " MIREL_VERSION " ended abnormally at ";
} // namespace

#ifndef Q_OS_WIN
namespace {
constexpr int FatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr const char *SignalNames[] = {"SIGSEGV", "SIGBUS", "SIGFPE", "SIGILL", "SIGABRT"};
constexpr int SignalCount = sizeof FatalSignals / sizeof FatalSignals[0];
constexpr int MaxFrames = 64;
constexpr std::size_t AlternateStackSize = 256 * 1024;

// Set by install() before the handlers, then only read by them.
struct sigaction previousActions[SignalCount];
int folderDescriptor = -1;
CrashLine loadLine; // "Load address: 0x... (<program>)\n"
// The thread writing the crash file, 0 before a crash: a second thread that crashes meanwhile
// waits for the first to end the process.
std::atomic<long> writingThread{0};

void writeAll(int descriptor, const char *text, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(descriptor, text, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        text += written;
        length -= std::size_t(written);
    }
}

void writeReport(int index, const siginfo_t *info)
{
    timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    CrashLine line;
    line.add(Version);
    line.addTime(now.tv_sec);
    line.add(": signal ");
    line.addNumber(unsigned(FatalSignals[index]), 10);
    line.add(" (");
    line.add(SignalNames[index]);
    line.add(")");
    // Kernel-made codes are positive and carry the fault's address; kill() and raise() do not.
    if (info && info->si_code > 0 && FatalSignals[index] != SIGABRT) {
        line.add(", address ");
        line.addNumber(reinterpret_cast<std::uintptr_t>(info->si_addr), 16);
    } else if (info && info->si_code <= 0) {
        line.add(", sent by process ");
        line.addNumber(std::uint64_t(info->si_pid), 10);
    }
    line.add(", thread ");
    line.addNumber(std::uint64_t(::syscall(SYS_gettid)), 10);
    line.add("\n");

    char name[CrashFiles::StemLength + 5];
    CrashFiles::writeStem(now.tv_sec, name);
    __builtin_memcpy(name + CrashFiles::StemLength, ".txt", 5);
    // Made now, never before: a run that does not crash leaves no file. A name taken already
    // (a crash in the same second) leaves standard error only.
    const int file = folderDescriptor < 0 ? -1
        : ::openat(folderDescriptor, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    void *frames[MaxFrames];
    const int count = ::backtrace(frames, MaxFrames);
    for (const int descriptor : {file, int(STDERR_FILENO)}) {
        if (descriptor < 0)
            continue;
        writeAll(descriptor, line.text(), line.length());
        writeAll(descriptor, loadLine.text(), loadLine.length());
        writeAll(descriptor, "Stack:\n", 7);
        ::backtrace_symbols_fd(frames, count, descriptor);
    }
    if (file >= 0)
        ::close(file);
}

// The handler before ours, then the default action: the kernel ends the process as it would
// have without any handler. Not the one before again when it led back here.
void passOn(int index, siginfo_t *info, void *context, bool again)
{
    const int signalNumber = FatalSignals[index];
    const struct sigaction &previous = previousActions[index];
    const bool withInfo = previous.sa_flags & SA_SIGINFO;
    if (!again && withInfo && previous.sa_sigaction)
        previous.sa_sigaction(signalNumber, info, context);
    else if (!again && !withInfo && previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN)
        previous.sa_handler(signalNumber);
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signalNumber, &fallback, nullptr);
    // Blocked until the handler returns: then it ends the process, whether the fault happens
    // again or the signal came from outside.
    ::raise(signalNumber);
}

extern "C" void onFatalSignal(int signalNumber, siginfo_t *info, void *context)
{
    int index = 0;
    while (index < SignalCount - 1 && FatalSignals[index] != signalNumber)
        ++index;
    const long self = ::syscall(SYS_gettid);
    // Sent from outside (kill), it lands on any thread: the main thread's stack is the one that
    // tells support what the program was doing. Our own abort() stays with the thread it hit.
    const pid_t process = ::getpid();
    if (info && info->si_code <= 0 && info->si_pid != process && self != process) {
        // With the sender's details, which the line names.
        ::syscall(SYS_rt_tgsigqueueinfo, process, process, signalNumber, info);
        return;
    }
    long expected = 0;
    if (writingThread.compare_exchange_strong(expected, self)) {
        writeReport(index, info);
    } else if (expected != self) {
        const timespec pause = {0, 100 * 1000 * 1000};
        for (int wait = 0; wait < 50; ++wait)
            ::nanosleep(&pause, nullptr);
    }
    passOn(index, info, context, expected == self);
}

int findLoadAddress(dl_phdr_info *info, std::size_t, void *address)
{
    // The first object listed is the program itself.
    *static_cast<ElfW(Addr) *>(address) = info->dlpi_addr;
    return 1;
}

void installAction(int index, struct sigaction *previous)
{
    struct sigaction action = {};
    action.sa_sigaction = onFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    ::sigaction(FatalSignals[index], &action, previous);
}
} // namespace

void CrashHandler::install(const QString &folder)
{
    folderDescriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ElfW(Addr) loadAddress = 0;
    ::dl_iterate_phdr(findLoadAddress, &loadAddress);
    loadLine.add("Load address: ");
    loadLine.addNumber(loadAddress, 16);
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
    loadLine.add(" (");
    loadLine.add(program.constData(), std::size_t(program.size()));
    loadLine.add(")\n");
    // backtrace() loads the unwinder on its first call, which a crash must not have to do.
    void *frame = nullptr;
    ::backtrace(&frame, 1);

    // The main thread's own: other threads' signal stacks are per thread, and theirs to set. A
    // guard page below it turns an overflow of the handler itself into a plain end.
    const long page = ::sysconf(_SC_PAGESIZE);
    auto *memory = static_cast<char *>(::mmap(nullptr, AlternateStackSize + std::size_t(page), PROT_READ | PROT_WRITE,
                                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (memory != MAP_FAILED) {
        ::mprotect(memory, std::size_t(page), PROT_NONE);
        stack_t stack = {};
        stack.ss_sp = memory + page;
        stack.ss_size = AlternateStackSize;
        ::sigaltstack(&stack, nullptr);
    }
    // Under AddressSanitizer its own handler is found here and passed on to: the crash file is
    // written, then the sanitizer reports and ends the process with its own exit code.
    for (int index = 0; index < SignalCount; ++index)
        installAction(index, &previousActions[index]);
}

void CrashHandler::keepInForce()
{
    for (int index = 0; index < SignalCount; ++index) {
        struct sigaction current = {};
        ::sigaction(FatalSignals[index], nullptr, &current);
        if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == onFatalSignal)
            continue;
        qDebug() << "Crash handler replaced for signal" << FatalSignals[index] << "- installed again";
        installAction(index, &previousActions[index]);
    }
}
#endif

#ifdef Q_OS_WIN
namespace {
// Set by install(), then only read by the filter.
wchar_t folderPath[MAX_PATH + 1];
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

// "<folder>\\<stem><extension>"
void pathOf(const char *stem, const wchar_t *extension, wchar_t *path)
{
    int at = 0;
    for (const wchar_t *from = folderPath; *from != L'\0'; ++from)
        path[at++] = *from;
    path[at++] = L'\\';
    for (int index = 0; index < CrashFiles::StemLength; ++index)
        path[at++] = wchar_t(stem[index]);
    for (; *extension != L'\0'; ++extension)
        path[at++] = *extension;
    path[at] = L'\0';
}

// Runs on the failing thread, whose state may be anything: only system calls, and no heap.
LONG WINAPI onUnhandledException(EXCEPTION_POINTERS *pointers)
{
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    // Hundreds of nanoseconds since 1601.
    const std::int64_t seconds = ((std::int64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime) - 116444736000000000LL) / 10000000;
    char stem[CrashFiles::StemLength];
    CrashFiles::writeStem(seconds, stem);
    wchar_t path[MAX_PATH + 40];

    pathOf(stem, L".dmp", path);
    const HANDLE dump = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (dump != INVALID_HANDLE_VALUE) {
        MINIDUMP_EXCEPTION_INFORMATION exception = {::GetCurrentThreadId(), pointers, FALSE};
        ::MiniDumpWriteDump(::GetCurrentProcess(), ::GetCurrentProcessId(), dump, MiniDumpNormal, &exception, nullptr,
                            nullptr);
        ::CloseHandle(dump);
    }

    CrashLine line;
    line.add(Version);
    line.addTime(seconds);
    line.add(": exception ");
    line.addNumber(pointers->ExceptionRecord->ExceptionCode, 16);
    line.add(", address ");
    line.addNumber(reinterpret_cast<std::uintptr_t>(pointers->ExceptionRecord->ExceptionAddress), 16);
    line.add(", thread ");
    line.addNumber(::GetCurrentThreadId(), 10);
    line.add("\nMinidump: ");
    line.add(stem, CrashFiles::StemLength);
    line.add(".dmp\n");
    pathOf(stem, L".txt", path);
    const HANDLE text = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    for (const HANDLE file : {text, ::GetStdHandle(STD_ERROR_HANDLE)}) {
        DWORD written = 0;
        if (file != INVALID_HANDLE_VALUE && file != nullptr)
            ::WriteFile(file, line.text(), DWORD(line.length()), &written, nullptr);
    }
    if (text != INVALID_HANDLE_VALUE)
        ::CloseHandle(text);
    // The system's own crash reporting goes on as without the filter.
    return previousFilter ? previousFilter(pointers) : EXCEPTION_CONTINUE_SEARCH;
}
} // namespace

void CrashHandler::install(const QString &folder)
{
    const QString native = QDir::toNativeSeparators(folder).left(MAX_PATH);
    folderPath[native.toWCharArray(folderPath)] = L'\0';
    // Room for the filter after the main thread's stack overflowed.
    ULONG guarantee = 64 * 1024;
    ::SetThreadStackGuarantee(&guarantee);
    previousFilter = ::SetUnhandledExceptionFilter(onUnhandledException);
}

void CrashHandler::keepInForce()
{
    const LPTOP_LEVEL_EXCEPTION_FILTER current = ::SetUnhandledExceptionFilter(onUnhandledException);
    if (current == onUnhandledException)
        return;
    qDebug() << "Crash handler replaced for exceptions - installed again";
    previousFilter = current;
}
#endif
