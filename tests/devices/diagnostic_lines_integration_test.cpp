// The one table of the diagnostic lines that must not change: people and tools read them in the
// debug output. Each row drives the real code path that prints its lines and compares everything
// printed, byte for byte. Other tests observe behaviour, not these words.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>

#include "app/issue_request_runner.h"
#include "app/operate_task_types.h"
#include "app/wifi_answer.h"
#include "devcfg/config_range_json.h"
#include "devcfg/device_config_json.h"
#include "devcfg/issued_config.h"
#include "devcfg/testing/sample_records.h"
#include "platform/net/socket_utils.h"
#include "platform/net/testing/loopback_peer.h"
#include "platform/win32/message_target.h"
#include "stats/statistics.h"
#include "studio/data_manager.h"
#include "studio/studio_link_client.h"
#include "studio/testing/debug_log_recorder.h"
#include "studio/testing/link_window.h"
#include "support/json_text.h"
#include "tests/devices/lab_cameras.h"
#include "tools/lab/cameras_model.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;
using testing::LabCamera;
using testing::LabCameras;

constexpr uint32_t kLoopback = 0x7F000001;

std::string Camera(const std::string& serial) {
    return R"({"serial":")" + serial +
           R"(","devname":"c","devip":"127.0.0.1","port":1,)"
           R"("channelNo":3,"iPlatform":0})";
}

std::string Group(const std::string& id, const std::string& cameras) {
    return R"({"groupName":")" + id + R"(","groupId":")" + id +
           R"(","groupDevNum":1,)"
           R"("cameraLst":[)" +
           cameras + "]}";
}

// The lines of one configuration fetch that succeeds; `range` is the camera's ranges as the page
// gets them.
const std::string kLogin = "getConfigInfoByDevSerial start RPROV_Login_Dev";
const std::string kLoggedIn = "getConfigInfoByDevSerial end RPROV_Login_Dev";
const std::string kConfigStart = "getConfigInfoByDevSerial  RPROV_GetConfig start";
std::string FetchLines(const std::string& range) {
    return kLogin + kLoggedIn + kConfigStart +
           "getConfigInfoByDevSerial  RPROV_GetConfig end"
           "getConfigInfoByDevSerial  RPROV_GetCfgRange start"
           "getConfigInfoByDevSerial  RPROV_GetCfgRange end\n dev config range info: " +
           range + "\ngetConfigInfoByDevSerial  endxxxxx";
}

// One row: runs its action with the debug output captured and returns the exact text the
// action must print (which may name a port or a result only known once it ran).
struct Row {
    const char* what;
    std::function<std::string(testing::DebugLogRecorder&)> run;
};

// A studio link client started towards `port`, with the window that answers its connection.
struct Link {
    explicit Link(uint16_t port, StudioLinkTiming timing = {10s, 200}) {
        client = std::make_unique<StudioLinkClient>(
            hwnd, StudioEndpoint{"127.0.0.1", port}, [](int32_t, const std::string&) {}, timing);
        window->client = client.get();
        client->start();
    }
    ~Link() {
        client.reset();
        UnregisterWindow(hwnd);
    }
    std::shared_ptr<testing::HelloWindow> window = std::make_shared<testing::HelloWindow>();
    HWND hwnd = RegisterWindow(window);
    std::unique_ptr<StudioLinkClient> client;
};

std::string Frame(int32_t type, uint32_t length, const std::string& payload = "") {
    unsigned char bytes[kStudioHeaderSize];
    EncodeStudioHeader({type, length, 0}, bytes);
    return std::string(reinterpret_cast<char*>(bytes), sizeof bytes) + payload;
}

const Row kRows[] = {
    {"the store: a group message, its refusal and a message that cannot be read",
     [](testing::DebugLogRecorder&) {
         DataManager& store = DataManager::instance();
         store.resetForTesting();
         store.onGroupInfoMessage(R"({"groupInfo":[)" + Group("a", Camera("A")) + "," +
                                  Group("b", Camera("B")) + "]}");
         store.setCameraLimitForTesting(1);
         store.onGroupInfoMessage(R"({"groupInfo":[)" + Group("c", Camera("C")) + "]}");
         store.resetForTesting();
         store.onGroupInfoMessage("this is not json");
         store.onGroupInfoMessage(R"({"groupInfo":[)" + Group("d", R"({"port":"1"})") + "]}");
         store.onCameraMessage(R"({"serial":["x"]})");
         store.resetForTesting();
         // A text that is no JSON leaves "recv " with no end of line.
         return std::string(
             "recv group has 2 .\nrecv group has 1 .\n"
             "group message refused: 3 cameras would be stored, above the limit "
             "of 1\n"
             "recv recv group has 1 .\nparse msg err. \nparse msg err. \n");
     }},
    {"the store: the page's questions it cannot read",
     [](testing::DebugLogRecorder&) {
         DataManager& store = DataManager::instance();
         store.resetForTesting();
         store.getGroupCamerasInfo(R"({"groupId":"g","camerasPageNum":0,"pageSize":10})");
         store.getCameraCfgInfo(R"({"serial":"A","channelNo":"1"})");
         store.getCameraCfgRangeInfo(R"({"serial":"A","channelNo":"1"})");
         store.setIssuedObject(R"([{"serial":"B","port":"80"}])");
         store.onStudioMessage(-1, R"({"x":1})");
         store.resetForTesting();
         return std::string(
             R"(H5 getGroupCamerasInfo param err: {"groupId":"g","camerasPageNum":0,"pageSize":10})"
             "\n"
             R"(H5 getCameraCfgInfo param err: {"serial":"A","channelNo":"1"})"
             "\n"
             R"(H5 getCameraCfgRangeInfo param err: {"serial":"A","channelNo":"1"})"
             "\n"
             R"(H5 setIssuedObject param err: [{"serial":"B","port":"80"}])"
             "\n"
             R"(recv data:{"x":1})"
             "\n");
     }},
    {"the store: an unreachable camera's fetch logs the bare answer",
     [](testing::DebugLogRecorder&) {
         DataManager& store = DataManager::instance();
         store.resetForTesting();
         store.onCameraMessage(Camera("SN7"));
         store.waitForCameraFetch();
         store.resetForTesting();
         return std::string(
             "getConfigInfoByDevSerial start RPROV_Login_Dev"
             "login dev [SN7][127.0.0.1] [1] err \n"
             R"(camera cfg: {"channelNo" : 3,"subSerial" : "SN7"})"
             "\n");
     }},
    {"the device layer: a fetch, a failed login, a failed read and the Wi-Fi list",
     [](testing::DebugLogRecorder& log) {
         const std::string range = ConfigRangeToPageJson(lab::MakeConfigRange("FX1", 1));
         log.clear();
         testing::ShortDeviceLimits limits;
         LabCameras cameras({LabCamera("FX1"), LabCamera("FX2")});
         DataManager& store = DataManager::instance();
         store.resetForTesting();
         std::string text;
         Json::Value json(Json::objectValue);
         store.getConfigInfoByDevSerial(cameras.record("FX1"), text, json);
         CameraRecord wrong = cameras.record("FX2");
         wrong.passwd = "wrong";
         store.getConfigInfoByDevSerial(wrong, text, json);
         cameras.setFaults("FX1", {.failRead = "config"});
         store.getConfigInfoByDevSerial(cameras.record("FX1"), text, json);
         store.getWifiInfoByDevSerial(cameras.request("FX2"), text);
         cameras.setFaults("FX2", {.failRead = "wifi"});
         store.getWifiInfoByDevSerial(cameras.request("FX2"), text);
         store.getWifiInfoByDevSerial(R"({"serial":"FX2","port":"8000"})", text);
         store.resetForTesting();
         const std::string wifi =
             "getWifiInfoByDevSerial RPROV_Login_Dev start.\n"
             "getWifiInfoByDevSerial RPROV_Login_Dev end.\n";
         return FetchLines(range) + kLogin + "login dev [FX2][127.0.0.1] [" +
                std::to_string(cameras.port("FX2")) + "] err \n" + kLogin + kLoggedIn +
                kConfigStart + "get dev config fail.\n" + wifi + wifi +
                "get dev wifi fail.\n"
                R"(H5 getWifiInfoByDevSerial param err: {"serial":"FX2","port":"8000"})"
                "\n";
     }},
    {"the page's Wi-Fi answer",
     [](testing::DebugLogRecorder&) {
         testing::ShortDeviceLimits limits;
         LabCameras cameras({LabCamera("WF1")});
         struct : ScriptRunner {
             void RunScript(const std::string&) override {}
         } runner;
         sendToH5WifiListInfo(&runner, cameras.request("WF1"));
         return std::string(
             "sendToH5WifiListInfo start"
             "getWifiInfoByDevSerial RPROV_Login_Dev start.\n"
             "getWifiInfoByDevSerial RPROV_Login_Dev end.\n"
             "sendToH5WifiListInfo end");
     }},
    {"the device layer: the password check",
     [](testing::DebugLogRecorder&) {
         testing::ShortDeviceLimits limits;
         LabCameras cameras({LabCamera("PW1", "right")});
         DataManager& store = DataManager::instance();
         store.resetForTesting();
         CameraRecord camera;
         bool passed = false;
         store.CheckDevPassword(R"({"serial":"PW1","port":"8000"})", camera, passed);
         const std::string text = store.CheckDevPassword(cameras.request("PW1"), camera, passed);
         store.resetForTesting();
         return R"(H5 check device password: {"serial":"PW1","port":"8000"})"
                "\ncheck device password: " +
                text + "\n";
     }},
    {"the page conversions: a request it cannot read, a failed record and the ranges",
     [](testing::DebugLogRecorder&) {
         IssuedConfig issued;
         ParseIssuedConfig(R"({"configItems":"imageColor generalConfig"})", issued);
         Json::Value notAnObject(Json::arrayValue);
         DeviceConfigToPageJson(DeviceConfig(), notAnObject);
         const std::string range = ConfigRangeToPageJson(testing::SampleRange(1, 1));
         auto record = std::make_unique<DeviceConfig>();
         record->setStreamVideoEncoding(0, 3);
         record->setStreamVideoEncoding(1, 255);
         record->setStreamAudioEncoding(0, 4);
         record->setDateFormat(9);
         Json::Value json;
         DeviceConfigToPageJson(*record, json);
         // One line per stream without a video word, one for the audio word; none for the date.
         return R"(H5 setIssuedConfig param err: {"configItems":"imageColor generalConfig"})"
                "\ncreate dev config info err.\n\n dev config range info: " +
                range +
                "\ninvalid videoEnc type.\ninvalid videoEnc type.\ninvalid audio enc type.\n";
     }},
    {"the issuing worker: one request with one camera",
     [](testing::DebugLogRecorder& log) {
         testing::ShortDeviceLimits limits;
         LabCameras cameras({LabCamera("IS1")});
         const std::string range = ConfigRangeToPageJson(lab::MakeConfigRange("IS1", 1));
         log.clear();
         IssueRequestRunner runner;
         std::string result;
         const std::string config = R"({"configItems":{"imageConfig":{"imageColor":{"hue":5}}}})";
         runner.run(EM_OPERATETASK_TYPE_ISSUEDCFG, "[" + cameras.request("IS1") + "]", config,
                    [&](const std::string& r) { result = r; });
         // The camera list as the worker writes it is the page's list restyled.
         return "issued dev: %s\nissued cfg: " + config + "\n" + FetchLines(range) +
                "begin issued work. \n" + FetchLines(range) + "Issued res: " + result +
                "\nend issued work. \n";
     }},
    {"the statistics reporter: its server and its end",
     [](testing::DebugLogRecorder&) {
         InitStatistics(0);
         SetStatisticsServer("stats.example", 8080);
         SetStatisticsServer(nullptr, 1);  // ignored: no line
         UnInitStatistics();
         return std::string("[Statistics]domain:stats.example port:8080\nUnInitStatistics end.");
     }},
    {"the sockets: each failure",
     [](testing::DebugLogRecorder&) {
         testing::LoopbackListener listener;
         CreateBoundSocket(SOCK_STREAM, kLoopback, listener.port());
         CreateBoundSocket(12345, 0, 0);
         SetSocketTimeout(-1, SO_RCVTIMEO, 200);
         SetSocketBlockMode(-1, 1);
         SetSocketKeepAlive(-1, 1, 2000, 100);
         const std::string ebadf = std::to_string(EBADF);
         return "Bind Socket Fail(" + std::to_string(EADDRINUSE) +
                "), type:1, ip:0X7f000001, port:" + std::to_string(listener.port()) +
                ".\nCreate Socket Fail(" + std::to_string(EINVAL) +
                "), type:12345, ip:0X0, port:0.\nSet socket(-1) timeout(200 ms) fail(" + ebadf +
                ").\nSet socket(-1) block type(1) fail(" + ebadf +
                ").\nSet socket keepalive fail(" + ebadf + ").\n";
     }},
    {"the studio link: connections, a payload in pieces, a bad frame, a close and the end",
     [](testing::DebugLogRecorder& log) {
         testing::LoopbackListener listener;
         {
             Link link(listener.port());
             testing::LoopbackConnection studio = listener.accept(5s);
             EXPECT_TRUE(log.waitFor("Send  hello msg to orvex succ\n"));
             studio.send(Frame(1, 5, "ab"));
             EXPECT_TRUE(log.waitFor("recv data not complete(2, 5). \n"));
             studio.send("cd");
             EXPECT_TRUE(log.waitFor("recv data not complete(2, 3). \n"));
             studio.send(std::string("e") + Frame(7, 0));
             testing::LoopbackConnection again = listener.accept(5s);
             EXPECT_TRUE(again.read(12));
             again.close();
             // The end comes while the client waits for the rest of a payload.
             testing::LoopbackConnection third = listener.accept(5s);
             EXPECT_TRUE(log.waitFor("Send  hello msg to orvex succ\n", 3));
             third.send(Frame(1, 2, "a"));
             EXPECT_TRUE(log.waitFor("recv data not complete(1, 2). \n"));
             link.client.reset();  // while the connections are still open
         }
         const std::string connect = "try to connect orvex studio 127.0.0.1 " +
                                     std::to_string(listener.port()) +
                                     " \n\n connect to orvex studio succ.\n"
                                     "Send  hello msg to orvex succ\n";
         // The number after a failed receive is whatever error the thread saw last.
         return connect +
                "recv data not complete(2, 5). \nrecv data not complete(2, 3). \n"
                "Invalid msg type(7).\ntcp recv msg fail: 1  %d\n" +
                connect + "tcp recv socket is close.\n" + connect +
                "recv data not complete(1, 2). \nclient Quit.\n";
     }},
    {"the studio link: no studio, and a hello with no connection",
     [](testing::DebugLogRecorder& log) {
         testing::UnusedPort nobody;
         Link link(nobody.port(), {300ms, 200});
         EXPECT_TRUE(log.waitFor("connect to orvex studio fail.\n"));
         link.client->sendHello();
         return "try to connect orvex studio 127.0.0.1 " + std::to_string(nobody.port()) +
                " \nconnect to orvex studio fail.\nSend  hello msg(0) to orvex fail(" +
                std::to_string(EBADF) + ").\n";
     }},
};

// Whether `printed` is `expected`, where each "%d" in `expected` stands for one number and each
// "%s" for any text up to what follows it.
bool Matches(const std::string& printed, const std::string& expected) {
    size_t at = 0;
    size_t from = 0;
    char hole = 0;  // the kind of hole before the part
    for (;;) {
        const size_t next = expected.find('%', from);
        const std::string part = expected.substr(from, next - from);
        if (hole == 'd') {
            const size_t digits = at;
            while (at < printed.size() && std::isdigit(static_cast<unsigned char>(printed[at]))) {
                ++at;
            }
            if (at == digits) {
                return false;
            }
        } else if (hole == 's') {
            at = printed.find(part, at);
            if (at == std::string::npos) {
                return false;
            }
        }
        if (printed.compare(at, part.size(), part) != 0) {
            return false;
        }
        at += part.size();
        if (next == std::string::npos) {
            return at == printed.size();
        }
        hole = expected[next + 1];
        from = next + 2;
    }
}

TEST(DiagnosticLines, EachRowPrintsExactlyItsLines) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        testing::DebugLogRecorder log;
        const std::string expected = row.run(log);
        const std::string printed = log.text();
        EXPECT_TRUE(Matches(printed, expected)) << "printed:\n"
                                                << printed << "\nexpected:\n"
                                                << expected;
    }
}

}  // namespace
}  // namespace orvex
