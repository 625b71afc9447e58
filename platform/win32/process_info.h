// The process's own facts in Win32 form: its command line, its executable path, and GUIDs.
#pragma once

#include <cstdint>

#include "platform/win32/win_types.h"

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};
};

namespace orvex {

// Records the process's arguments as one command line, joined by spaces; an argument holding a
// space or a tab, or an empty one, is wrapped in double quotes (how a Windows command line is
// written). GUI thread, once, before anything reads the command line.
void SetCommandLineFromArgs(int argc, char** argv);

}  // namespace orvex

// The whole command line recorded at start-up, the executable's path included. Any thread.
const char* GetCommandLineA();

// The executable's full path (the module is ignored: only the executable is asked for), cut to
// size - 1 characters and NUL-terminated; returns the number of characters written, 0 on failure.
// Async-signal-safe. Any thread.
DWORD GetModuleFileNameA(void* module, char* buffer, DWORD size);

// COM has nothing to set up on this platform: S_OK (0), and nothing to undo. GUI thread.
long CoInitialize(void* reserved);
void CoUninitialize();

// A new random GUID from the system's random source; S_OK (0) or a negative code. Any thread.
long CoCreateGuid(GUID* guid);
