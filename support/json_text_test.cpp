#include "support/json_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvex {
namespace {

// An answer written element by element is the same text as the whole array written at once,
// for the shapes a pass's answer holds: nested objects and arrays, escaped line feeds and tabs
// inside strings, Chinese, empty objects, and cameras not started (null).
TEST(WriteJsonArray, MatchesTheWholeArrayWrittenAtOnce) {
    Json::Value camera;
    camera["device"]["serial"] = "OXW00001";
    camera["failNum"] = 1;
    Json::Value item;
    item["itemName"] = "布撤防计划";
    item["moreInfo"] = "line one\nline\ttwo";
    item["steps"].append(Json::Value(true));
    item["steps"].append(Json::Value(Json::objectValue));
    camera["syncInfo"].append(item);
    camera["syncInfo"].append(Json::Value(Json::arrayValue));

    for (const std::vector<Json::Value>& elements :
         std::vector<std::vector<Json::Value>>{{camera},
                                               {camera, Json::Value(), camera},
                                               {Json::Value(), Json::Value()},
                                               {Json::Value(Json::objectValue)}}) {
        Json::Value whole(Json::arrayValue);
        std::vector<std::string> texts;
        for (const Json::Value& e : elements) {
            whole.append(e);
            texts.push_back(WriteJson(e));
        }
        EXPECT_EQ(WriteJsonArray(texts), WriteJson(whole));
    }
    EXPECT_EQ(WriteJsonArray({}), WriteJson(Json::Value(Json::arrayValue)));
}

}  // namespace
}  // namespace orvex
