// The device network library: the program only initialises it and cleans it up.
#pragma once

#include "platform/win32/win_types.h"

// Initialises the library; TRUE on success. Calls nest: each one is paired with a cleanup.
// GUI thread.
BOOL NVSDK_Init();
// Undoes one NVSDK_Init; extra calls are harmless. GUI thread.
void NVSDK_Cleanup();

namespace orvex {
// Whether the library is initialised (tests). Any thread.
bool IsNetSdkInitialised();
}  // namespace orvex
