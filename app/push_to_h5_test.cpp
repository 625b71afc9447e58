#include "app/push_to_h5.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/json_text.h"

namespace orvex {
namespace {

class RecordingRunner : public ScriptRunner {
  public:
    void RunScript(const std::string& script) override { scripts.push_back(script); }
    std::vector<std::string> scripts;
};

TEST(PushToH5, FlattensTabsAndLineFeedsAndHandsTheScriptToTheRunner) {
    EXPECT_EQ(FlattenJsonText("{\n\t\"a b\" : \"c\\r\"\r\n}"), "{\"a b\" : \"c\\r\"\r}");
    EXPECT_EQ(BuildPushScript(11, ""), "SetMsgToH5('11', '')");
    RecordingRunner runner;
    PushToH5(&runner, 2, "{\n\t\"k\" : 1\n}");
    PushToH5(nullptr, 7, "[]");  // no browser: nothing happens
    EXPECT_EQ(runner.scripts, std::vector<std::string>{"SetMsgToH5('2', '{\"k\" : 1}')"});
}

// Runs every script in node with a SetMsgToH5 that records its arguments, and returns what it
// recorded as a JSON array of [code, text] pairs plus whether anything else ran.
Json::Value EvaluateInNode(const std::vector<std::string>& scripts) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("orvex_push_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream js(dir / "run.js", std::ios::binary);
    js << "const calls = []; let injected = false;\n"
          "globalThis.alert = () => { injected = true; };\n"
          "globalThis.SetMsgToH5 = function (code, text) { calls.push([code, text, "
          "arguments.length]); };\n"
          "const scripts = JSON.parse(require('fs').readFileSync(process.argv[2], 'utf8'));\n"
          "for (const s of scripts) { try { (0, eval)(s); } catch (e) { calls.push(['error', "
          "String(e), 0]); } }\n"
          "process.stdout.write(JSON.stringify({calls, injected}));\n";
    js.close();
    Json::Value list(Json::arrayValue);
    for (const std::string& s : scripts) {
        list.append(s);
    }
    // jsoncpp escapes non-ASCII as \u sequences, which JSON.parse restores exactly.
    std::ofstream(dir / "scripts.json", std::ios::binary) << WriteJson(list);
    std::string command = std::string(ORVEX_NODE) + " " + (dir / "run.js").string() + " " +
                          (dir / "scripts.json").string();
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    size_t n;
    while (pipe != nullptr && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    fs::remove_all(dir);
    Json::Value result;
    EXPECT_TRUE(ParseJson(output, result)) << output;
    return result;
}

TEST(PushToH5, APageReceivesExactlyTheJsonText) {
    std::vector<std::string> texts = {
        R"({"name":"O'Brien's camera"})",
        R"({"path":"C:\\cams\\new"})",
        R"({"quote":"say \"hi\""})",
        R"({"u":"\u4e2d"})",
        "{\"sep\":\"a\xE2\x80\xA8"
        "b\xE2\x80\xA9"
        "c\"}",
        R"({"html":"</script><script>alert(2)</script>"})",
        R"({"devname":"x');alert(1);('"})",
        "{\"cr\":\"a\rb\",\"bell\":\"\x07\",\"del\":\"\x7F\"}",
        "{\"cjk\":\"\xE4\xB8\xAD\xE6\x96\x87\"}",
        "\\",
        "'",
    };
    Json::Value object(Json::objectValue);  // what the answers' writer makes of such texts
    object["devname"] = "A'b\\c\"d\t\xE4\xB8\xAD";
    texts.push_back(FlattenJsonText(WriteJson(object)));
    std::vector<std::string> scripts;
    for (const std::string& t : texts) {
        scripts.push_back(BuildPushScript(7, t));
    }
    Json::Value result = EvaluateInNode(scripts);
    EXPECT_FALSE(result["injected"].asBool()) << "a text ran script in the page";
    const Json::Value& calls = result["calls"];
    ASSERT_EQ(calls.size(), texts.size());
    for (Json::ArrayIndex i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i][0].asString(), "7");
        EXPECT_EQ(calls[i][1].asString(), texts[i]) << "text " << i;
        EXPECT_EQ(calls[i][2].asInt(), 2);
    }
}

}  // namespace
}  // namespace orvex
