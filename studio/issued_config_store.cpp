// The store's issued configuration: reading a request into it and handing out copies.
#include <mutex>

#include "devcfg/issued_config.h"
#include "studio/data_manager.h"

namespace orvex {

void DataManager::setIssuedConfig(const std::string& request) {
    std::lock_guard<std::mutex> lock(stateLock_);
    ParseIssuedConfig(request, issuedConfig_);
}

IssuedConfig DataManager::issuedConfig() const {
    std::lock_guard<std::mutex> lock(stateLock_);
    return issuedConfig_;
}

}  // namespace orvex
