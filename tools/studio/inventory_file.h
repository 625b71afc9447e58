// Where the site inventory is kept ($XDG_CONFIG_HOME/orvex-studio/inventory.json, readable by
// the user only) and its loading and atomic saving.
#pragma once

#include <string>

#include "platform/posix/file_lock.h"
#include "tools/studio/inventory.h"

namespace orvex::site {

// $XDG_CONFIG_HOME/orvex-studio/inventory.json, with ~/.config when XDG_CONFIG_HOME is unset or
// not absolute; empty when there is no home folder either. Any thread.
std::string InventoryPath();

// Takes the inventory's lock (<path>.lock), waiting while another orvex-studio holds it: a
// command that changes the inventory holds it from its load to its save, so that two changes
// at the same moment are both kept. False, with `error`, when it cannot be taken.
bool LockInventory(const std::string& path, FileLock& lock, std::string& error);
// Reads the inventory at `path`; a missing file is an empty inventory. On failure false, with
// `error` starting with the path and naming the place and field. The file is never changed.
bool LoadInventory(const std::string& path, Inventory& inventory, std::string& error);
// Writes the inventory to `path` atomically (temporary file, flushed, renamed), mode 0600,
// making the folder (0700) when missing. False, with `error`, when the old file was kept.
bool SaveInventory(const std::string& path, const Inventory& inventory, std::string& error);

}  // namespace orvex::site
