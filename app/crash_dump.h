// OrvexCloudDump: the crash filter that writes orvex_cloud_Y_M_D_h_m_s.dmp beside the executable.
#pragma once

#include "platform/win32/crash_filter.h"

namespace orvex {

// Writes the dump file and returns EXCEPTION_EXECUTE_HANDLER, whether or not the file could be
// created. Runs inside the fatal-signal handler: async-signal-safe only.
LONG OrvexCloudDump(EXCEPTION_POINTERS* exception);

// The dump file's name for a folder and a local time, formatted without leading zeros into a
// 1,284-byte buffer. Async-signal-safe.
void FormatDumpFileName(char (&buffer)[1284], const char* folder, const SafeLocalTime& time);

}  // namespace orvex
