// The camera commands the cameras and world roles share: fault word lists, and "fault",
// "counters" and "config" for an ONVIF camera.
#pragma once

#include <functional>
#include <string>

#include "tools/lab/onvif_server.h"

namespace orvex::lab {

// Applies the words of "WORD[,WORD...]" in order with `apply`; false once one fails (the words
// after it are not applied). Any thread.
bool ApplyFaultWords(const std::string& words,
                     const std::function<bool(const std::string&)>& apply);

// "counters", "config" or "fault WORDS" for one ONVIF camera of `fleet`, answered with its event
// (or an error event). The command reader's thread.
void OnvifCameraCommand(onvif::OnvifFleet& fleet, onvif::OnvifCamera& camera,
                        const std::string& word, const std::string& words);

}  // namespace orvex::lab
