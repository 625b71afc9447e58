// OrvexCloudDump: the crash filter that writes orvex_cloud_Y_M_D_h_m_s.dmp beside the executable,
// or in the user's state folder when the executable's folder cannot take it.
#pragma once

#include "platform/win32/crash_filter.h"

namespace orvex {

// Writes the dump file and returns EXCEPTION_EXECUTE_HANDLER, whether or not the file could be
// created. Runs inside the fatal-signal handler: async-signal-safe only.
LONG OrvexCloudDump(EXCEPTION_POINTERS* exception);

// Notes the folder for dumps that cannot be written beside the executable (an installed program
// lives in a folder the user cannot write): $XDG_STATE_HOME/orvex-cloud-config, or
// ~/.local/state/orvex-cloud-config. Start-up, before the filter can run.
void PrepareDumpFallbackFolder();

// Writes a dump named for `time` into `folder`, or into `fallback` (created when missing) when
// `folder` cannot take it; the file is the user's only. False when neither could.
// Async-signal-safe.
bool WriteDumpFile(const char* folder, const char* fallback, const SafeLocalTime& time,
                   EXCEPTION_POINTERS* exception);

// The dump file's name for a folder and a local time, formatted without leading zeros into a
// 1,284-byte buffer. Async-signal-safe.
void FormatDumpFileName(char (&buffer)[1284], const char* folder, const SafeLocalTime& time);

}  // namespace orvex
