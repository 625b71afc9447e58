// Where downloads go: the user's XDG download folder, file names a page suggests made safe to
// save there, and new files that never replace an existing one.
#pragma once

#include <string>

namespace orvex {

// XDG_DOWNLOAD_DIR from a user-dirs.dirs text ("$HOME/..." or an absolute path, in double
// quotes), with $HOME replaced by `home`; empty when the text does not set it. Any thread.
std::string DownloadDirFromUserDirs(const std::string& text, const std::string& home);

// The user's download folder, as xdg-user-dir reports it: XDG_DOWNLOAD_DIR of
// $XDG_CONFIG_HOME/user-dirs.dirs (~/.config by default), else $HOME/Downloads. Empty without
// a home folder. Any thread.
std::string UserDownloadFolder();

// A suggested file name (UTF-8) made into one plain name of that folder: path separators and
// control characters become '_', leading dots and blanks go (no "..", no hidden file),
// trailing dots and blanks go, and the name is cut to 255 bytes on a character boundary,
// keeping its extension. An empty result becomes "download". Any thread.
std::string CleanDownloadName(const std::string& suggested);

// Creates `folder` when missing, then a new empty file in it named `name` or, when that exists,
// "stem (1).ext", "stem (2).ext" and so on; the creation is exclusive, so a file is never
// replaced, even by a racing writer. Returns the new file's path, or empty when no file could
// be created. `name` must be a clean name (CleanDownloadName). Any thread.
std::string CreateUniqueFile(const std::string& folder, const std::string& name);

// Removes the file at `path` when it is empty (a reserved file whose download failed).
// Any thread.
void RemoveIfEmpty(const std::string& path);

}  // namespace orvex
