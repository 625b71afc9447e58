// The unhandled-exception filter on fatal signals, and the crash-dump writer it calls.
#pragma once

#include <csignal>

#include "platform/win32/win_types.h"

// What a fatal signal hands the filter: the signal, its information and the interrupted context.
struct EXCEPTION_POINTERS {
    int signalNumber = 0;
    siginfo_t* info = nullptr;
    void* context = nullptr;  // ucontext_t*
};

using LPTOP_LEVEL_EXCEPTION_FILTER = LONG (*)(EXCEPTION_POINTERS*);
constexpr LONG EXCEPTION_EXECUTE_HANDLER = 1;

// Installs the filter for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT and returns the previous
// one. The filter runs in the signal handler, so it may only do async-signal-safe work; after it
// returns EXCEPTION_EXECUTE_HANDLER the signal's default action ends the process. GUI thread,
// at start-up.
LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);

// True while a request to give `signalNumber` back its default action must be refused: a filter
// is installed, the signal is one it handles, and the process is not already ending through it.
// The program's signal guard asks this, so a library that resets every handler at start-up (the
// browser engine does in its sub-processes) leaves the crash filter in place. Async-signal-safe.
bool ShouldKeepCrashHandler(int signalNumber);

// Writes what can be written safely from a signal handler to the open file `fd`: the signal, the
// faulting address, the registers, a backtrace and the memory map. Async-signal-safe.
BOOL MiniDumpWriteDump(int fd, const EXCEPTION_POINTERS* exception);

// Creates (or truncates) the dump file for writing, readable by the user only (it holds memory
// that may carry passwords); -1 when it cannot be created. Async-signal-safe.
int CreateDumpFile(const char* path);
// Creates `path` and the folders above it that are missing, for the user only; false when the
// folder is not there afterwards. Async-signal-safe.
bool CreateDumpFolder(const char* path);
void CloseDumpFile(int fd);

// The local time as year, month (1-12), day, hour, minute, second, from the clock and the UTC
// offset recorded when the filter was installed. Async-signal-safe.
struct SafeLocalTime {
    int year, month, day, hour, minute, second;
};
SafeLocalTime GetLocalTimeInSignal();
