// The lab ONVIF cameras' state files: <root>/<serial>/onvif.json, replaced atomically so that a
// lab killed at any moment leaves every file whole.
#pragma once

#include <string>

#include "tools/lab/onvif_model.h"

namespace orvex::lab::onvif {

// Not synchronised per file: the lab writes a camera's file under that camera's lock.
class OnvifStateFolder {
  public:
    // `sync`: flush each file to the disk before it replaces the old one.
    OnvifStateFolder(std::string root, bool sync) : root_(std::move(root)), sync_(sync) {}

    std::string pathOf(const std::string& serial) const;
    // The stored state; false when there is none or it cannot be read as one.
    bool load(const std::string& serial, CameraState& state) const;
    // Creates the camera's folder, writes a temporary file in it, flushes it and renames it over
    // the camera's file.
    bool save(const std::string& serial, const CameraState& state, std::string& error) const;

  private:
    std::string root_;
    bool sync_;
};

}  // namespace orvex::lab::onvif
