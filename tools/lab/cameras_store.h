// The lab cameras' state folder: one file per camera channel holding its 80,280-byte record,
// replaced atomically so that a lab killed at any moment leaves every file whole.
#pragma once

#include <cstdint>
#include <string>

#include "platform/rprov/rprov_records.h"

namespace orvex::lab {

// Serials the lab accepts: 1 to 64 of A-Z a-z 0-9 . _ - (and not "." or ".."), since they name
// folders. Any thread.
bool IsValidLabSerial(const std::string& serial);

// Not synchronised per file: the lab writes a channel's file under that camera's lock.
class CameraStateFolder {
  public:
    // `sync`: flush each file to the disk before it replaces the old one (survives a power
    // loss, not only a killed process).
    CameraStateFolder(std::string root, bool sync) : root_(std::move(root)), sync_(sync) {}

    const std::string& root() const { return root_; }
    // <root>/<serial>/channel-<n>.cfg
    std::string pathOf(const std::string& serial, int32_t channelNo) const;

    // Creates <root>/<serial>/ and removes temporary files a killed run left there.
    bool prepare(const std::string& serial, std::string& error) const;
    // The stored record; false when there is none or it is not exactly one record long.
    bool load(const std::string& serial, int32_t channelNo, DeviceConfig& config) const;
    // Writes the record to a temporary file in the same folder, flushes it, and renames it
    // over the channel's file.
    bool save(const std::string& serial, int32_t channelNo, const DeviceConfig& config,
              std::string& error) const;

  private:
    std::string root_;
    bool sync_;
};

}  // namespace orvex::lab
