// Private files: folders only the user may enter (0700) and files only the user may read (0600),
// written whole and atomically, in the user's XDG data folder. The raw file calls behind the
// program's own saved data.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orvex {

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share; empty without a home
// folder. Any thread.
std::string UserDataFolder();

// Creates `folder` and any missing parents (new ones 0700), then makes `folder` itself 0700.
// True when it exists as a folder afterwards. Any thread.
bool MakePrivateFolder(const std::string& folder);

// Creates `folder` (0700) only when it does not exist yet: false when it exists or cannot be made.
// The parent must exist. Any thread.
bool MakeNewPrivateFolder(const std::string& folder);

// Writes `bytes` to `path` whole or not at all: a temporary file (0600) in the same folder is
// written, flushed to disk and renamed over `path`. A reader sees the old file or the new one,
// never a part. Any thread; different paths at once.
bool WritePrivateFile(const std::string& path, const std::string& bytes);

// Reads the whole file at `path` into `bytes`. False when it is missing, unreadable, not a
// regular file or larger than `limit` bytes. Any thread.
bool ReadWholeFile(const std::string& path, size_t limit, std::string& bytes);

// True when `path` exists (as anything). Any thread.
bool PathExists(const std::string& path);

// The permission bits of `path` (e.g. 0600), or -1 when it does not exist. Any thread.
int PermissionBits(const std::string& path);

// The names in `folder` that are folders (without "." and ".."), in no particular order; empty
// when it cannot be read. Any thread.
std::vector<std::string> ListSubfolders(const std::string& folder);

// Removes `folder` with the files in it (one level: it holds no folders). Any thread.
bool RemoveFlatFolder(const std::string& folder);

}  // namespace orvex
