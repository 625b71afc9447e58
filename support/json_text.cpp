#include "support/json_text.h"

#include <memory>

#include "support/text_conversion.h"

namespace orvex {

bool ParseJson(const std::string& text, Json::Value& root) {
    static const Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    try {
        return reader->parse(text.data(), text.data() + text.size(), &root, nullptr);
    } catch (const std::exception&) {
        return false;
    }
}

std::string WriteJson(const Json::Value& value) {
    static const Json::StreamWriterBuilder builder;
    return Json::writeString(builder, value);
}

std::string WriteFlatJson(const Json::Value& value) {
    return ReplaceAll(ReplaceAll(WriteJson(value), "\n", ""), "\t", "");
}

}  // namespace orvex
