// Whole-file replacement that a crash cannot tear: the bytes go to a temporary file beside the
// target, are flushed to the disk, and the temporary file is renamed over the target.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

// Replaces the file at `path` with `bytes`, created with permission `mode` (the temporary file
// has it from its creation, so the content is never readable by more). With `sync`, the file
// and then its folder are flushed to the disk, so that after a crash the path holds the old
// content or the new, never a part. False, with `error` naming the failing step, when the file
// was not replaced (the old one is then untouched). Any thread; writers of one path must take
// turns.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, unsigned mode, bool sync,
                         std::string& error);

// The whole content of the file at `path`; false, with `error`, when it cannot be read.
// Any thread.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

}  // namespace orvex
