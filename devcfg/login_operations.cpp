// The configuration fetch against a camera.
#include "studio/data_manager.h"

namespace orvex {

// Until the device library is in place no camera can be reached: the fetch behaves as a
// failed login, adding nothing to `json` and caching nothing.
void DataManager::getConfigInfoByDevSerial(const CameraRecord&, std::string&, Json::Value&) {}

}  // namespace orvex
