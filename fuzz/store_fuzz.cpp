// Arbitrary bytes into the store's studio handlers and page questions.
#include <cstddef>
#include <cstdint>
#include <string>

#include "studio/data_manager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using orvex::DataManager;
    static int runs = 0;
    DataManager& store = DataManager::instance();
    if (++runs % 1000 == 0) {
        store.resetForTesting();  // the group list only grows; keep the fuzzer's memory flat
    }
    if (size == 0) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 8) {
        case 0:
            store.onGroupInfoMessage(text);
            store.getGroupInfo();
            store.getAllCamerasInfo();
            break;
        case 1:
            store.onCameraMessage(text);
            break;
        case 2:
            store.getGroupCamerasInfo(text);
            break;
        case 3:
            store.getCameraCfgInfo(text);
            break;
        case 4:
            store.getCameraCfgRangeInfo(text);
            break;
        case 5:
            store.setIssuedObject(text);
            break;
        case 6:
            store.onGroupInfoMessage(text);
            store.updateCameraPassword(text.substr(0, 4), text, 1, "pw", false);
            break;
        default:
            store.onGroupInfoMessage(text);
            store.getGroupCamerasInfo(R"({"groupId":"g","camerasPageNum":2,"pageSize":3})");
            break;
    }
    return 0;
}
