// The preview's read of the issue targets: every target camera's current configuration, read
// concurrently, as the page's answer 14.
#pragma once

#include <cstddef>
#include <string>

namespace orvex {

// Reads the configuration of every camera of request["cameras"] (camera objects, as in an issue)
// up to `concurrency` cameras at once and returns {"configs": [...]}: one entry per camera in
// the order asked, {"serial", "channelNo", "isSuccess", "moreInfo", "configItems" (answer 3's
// form) when read, "cause" when not}. A camera that reports another serial is not read. A
// request that cannot be read gives {"configs": []}. Pool workers; touches no store.
std::string ReadTargetConfigs(const std::string& request, size_t concurrency);

}  // namespace orvex
