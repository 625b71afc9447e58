#include "support/json_text.h"

#include <algorithm>
#include <memory>
#include <sstream>
#include <utility>

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
    // One writer per thread: making a writer reads every setting of the builder, which costs
    // as much as writing a small answer. A writer starts each write afresh.
    static const Json::StreamWriterBuilder builder;
    thread_local const std::unique_ptr<Json::StreamWriter> writer(builder.newStreamWriter());
    std::ostringstream out;
    writer->write(value, &out);
    return std::move(out).str();
}

std::string WriteJsonArray(const std::vector<std::string>& elements) {
    if (elements.empty()) {
        return "[]";
    }
    // Each element on its own lines, one tab deeper: line feeds inside an element's text are
    // only its layout, since the writer escapes those of strings.
    size_t size = 3;
    for (const std::string& e : elements) {
        size += e.size() + 3 + static_cast<size_t>(std::count(e.begin(), e.end(), '\n'));
    }
    std::string out;
    out.reserve(size);
    out += "[\n";
    for (size_t i = 0; i < elements.size(); ++i) {
        out += '\t';
        for (char c : elements[i]) {
            out += c;
            if (c == '\n') {
                out += '\t';
            }
        }
        out += i + 1 < elements.size() ? ",\n" : "\n";
    }
    out += ']';
    return out;
}

std::string WriteFlatJson(const Json::Value& value) {
    return ReplaceAll(ReplaceAll(WriteJson(value), "\n", ""), "\t", "");
}

}  // namespace orvex
