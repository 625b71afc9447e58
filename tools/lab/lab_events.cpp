#include "tools/lab/lab_events.h"

#include <cstdio>
#include <mutex>

namespace orvex::lab {
namespace {

struct Output {
    std::mutex mutex;
    FILE* record = nullptr;
};

Output& output() {
    static Output* instance = new Output;  // lives until the process ends
    return *instance;
}

}  // namespace

std::string CompactJson(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value);
}

bool OpenRecordFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "a");
    if (file == nullptr) {
        return false;
    }
    Output& out = output();
    std::lock_guard<std::mutex> lock(out.mutex);
    if (out.record != nullptr) {
        std::fclose(out.record);
    }
    out.record = file;
    return true;
}

void EmitEvent(const Json::Value& event, bool record) {
    std::string line = CompactJson(event) + "\n";
    Output& out = output();
    std::lock_guard<std::mutex> lock(out.mutex);
    // The record file first: whoever reads the printed line finds it recorded already.
    if (record && out.record != nullptr) {
        std::fputs(line.c_str(), out.record);
        std::fflush(out.record);
    }
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

void EmitError(const std::string& message, const std::string& command) {
    Json::Value event;
    event["event"] = "error";
    event["message"] = message;
    if (!command.empty()) {
        event["command"] = command;
    }
    EmitEvent(event);
}

}  // namespace orvex::lab
