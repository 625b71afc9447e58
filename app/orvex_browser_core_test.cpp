#include "app/orvex_browser_core.h"
#include "app/operate_task_types.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "app/bridge_router.h"
#include "stats/statistics.h"
#include "studio/data_manager.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;

class RecordingRunner : public ScriptRunner {
  public:
    void RunScript(const std::string& script) override {
        std::lock_guard<std::mutex> lock(m_);
        scripts_.push_back(script);
        cv_.notify_all();
    }
    bool waitFor(size_t n) {
        std::unique_lock<std::mutex> lock(m_);
        return cv_.wait_for(lock, 10s, [&] { return scripts_.size() >= n; });
    }
    std::vector<std::string> scripts() {
        std::lock_guard<std::mutex> lock(m_);
        return scripts_;
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<std::string> scripts_;
};

class TestCore : public OrvexBrowserCore {
  public:
    using OrvexBrowserCore::OrvexBrowserCore;
    ~TestCore() override { BeginClose(); }
    std::string title;
    int closeRequests = 0;
    std::atomic<int> handled{0};

  protected:
    void SetTitleText(const std::string& text) override { title = text; }
    void CloseWindow() override { ++closeRequests; }
    void HandleTask(OperateTask& task) override {
        ++handled;
        OrvexBrowserCore::HandleTask(task);
    }
};

// Starts with a key of its own so the answer codes are easy to find in the scripts.
bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

class OrvexBrowserCoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DataManager::instance().resetForTesting();
        UnInitStatistics();
        StopStatisticsSender();
        InitStatistics(0);
        StartStatisticsSender(0);  // reports are queued, not delivered
        TakeQueuedStatisticsForTesting();
        core.SetUserInfo("u7", "Li Lei");
        core.SetHostInfo("host1", "10.9.8.7");
        core.AttachBrowser(&runner);
    }
    bool post(UINT message, WPARAM wParam, void* payload) {
        return core.HandleProgramMessage(message, wParam, reinterpret_cast<LPARAM>(payload));
    }
    RecordingRunner runner;
    TestCore core{"http://10.0.0.2/qm_h5/synchronousConfiguration/index.html"};
};

// From the studio's messages to the script texts: the store's answers 1, 2, 4 and 5 are pushed
// at once, flattened and escaped; other types are answered from the pool or not at all.
TEST_F(OrvexBrowserCoreTest, QuickQueriesAnswerAtOnceAndOthersNotAtAll) {
    DataManager::instance().onGroupInfoMessage(
        R"({"groupInfo":[{"groupName":"A","groupId":"a","groupDevNum":1,"cameraLst":[)"
        R"({"serial":"S","devname":"Gate's cam","iPlatform":0}]}]})");
    DataManager::instance().onCameraMessage("{\n\t\"serial\" : \"S\",\n\t\"channelNo\" : 5\n}");
    for (int type : {0, 6, 7, 10, 12, -3, 1, 2, 4, 5}) {
        EXPECT_TRUE(post(WM_H5_QUERY_INFO, static_cast<WPARAM>(static_cast<intptr_t>(type)),
                         new std::string(R"({"groupId":"a","camerasPageNum":1,"pageSize":5})")));
    }
    auto scripts = runner.scripts();
    ASSERT_EQ(scripts.size(), 4u);
    EXPECT_TRUE(StartsWith(scripts[0], "SetMsgToH5('1', '{\"groupInfo\" : [{\"cameraLst\" : [{"));
    EXPECT_TRUE(StartsWith(scripts[1], "SetMsgToH5('2', '{\"cameraLst\" : [{"));
    EXPECT_TRUE(StartsWith(scripts[2], "SetMsgToH5('4', '{\"localCameraLst\" : [{"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(scripts[i].find(R"("devname" : "Gate\'s cam")"), std::string::npos) << scripts[i];
    }
    EXPECT_EQ(scripts[3], "SetMsgToH5('5', '{\"serial\" : \"S\",\"channelNo\" : 5}')");
}

TEST_F(OrvexBrowserCoreTest, CameraQueriesAreAnsweredFromThePool) {
    // Nothing listens on this camera's port: each answer is what an unreachable camera gives.
    const std::string camera = R"({"serial":"X1","channelNo":2,"devip":"127.0.0.1","port":1})";
    post(WM_H5_QUERY_INFO, 3, new std::string(camera));
    post(WM_H5_QUERY_INFO, 8, new std::string(camera));
    post(WM_H5_QUERY_INFO, 9, new std::string(camera));
    post(WM_H5_QUERY_INFO, 20, new std::string(R"({"cameras":[)" + camera + "]}"));
    post(WM_H5_QUERY_INFO, 21, new std::string());
    post(WM_H5_QUERY_INFO, 22, new std::string("[]"));
    ASSERT_TRUE(runner.waitFor(6));
    std::set<std::string> scripts;
    std::map<std::string, std::string> byCode;
    for (const auto& s : runner.scripts()) {
        scripts.insert(s);
        byCode[s.substr(0, s.find(',') + 1)] = s;
    }
    EXPECT_TRUE(scripts.count(R"(SetMsgToH5('3', '{"channelNo" : 2,"subSerial" : "X1"}'))"));
    EXPECT_TRUE(scripts.count("SetMsgToH5('8', '')"));
    EXPECT_TRUE(scripts.count("SetMsgToH5('9', '')"));
    EXPECT_TRUE(StartsWith(byCode["SetMsgToH5('14',"],
                           R"(SetMsgToH5('14', '{"configs" : [{"cause" : "unreachable",)"));
    EXPECT_TRUE(StartsWith(byCode["SetMsgToH5('15',"], R"(SetMsgToH5('15', '{"passes" : [)"));
    EXPECT_TRUE(StartsWith(byCode["SetMsgToH5('16',"], R"(SetMsgToH5('16', '{"error" : )"));
}

TEST_F(OrvexBrowserCoreTest, IssueRequestsAnswerWithTheirOwnCode) {
    post(WM_H5_ISSUED_CONFIG, 0, new IssueRequest{"[]", R"({"configItems":{}})"});
    ASSERT_TRUE(runner.waitFor(1));
    post(WM_H5_ISSUED_SINGLE_CONFIG, 0, new IssueRequest{"[]", R"({"configItems":{}})"});
    ASSERT_TRUE(runner.waitFor(2));
    auto scripts = runner.scripts();
    EXPECT_EQ(scripts[0], "SetMsgToH5('7', 'null')");
    EXPECT_EQ(scripts[1], "SetMsgToH5('10', 'null')");
}

// The page type follows the address; the title and the quit are handled on the spot, the
// password check on a pool worker (it only answers the page when it fails); other messages are
// not the core's.
TEST_F(OrvexBrowserCoreTest, MessagesHandledOnTheSpot) {
    EXPECT_EQ(core.pageType(), 17);
    EXPECT_EQ(TestCore("http://10.0.0.2/qm_h5/index.html").pageType(), 16);
    post(WM_H5_CHANGE_TITLE, 0, new std::string("Lobby"));
    EXPECT_EQ(core.title, "Lobby");
    post(WM_STUDIO_QUIT, 0, nullptr);
    EXPECT_EQ(core.closeRequests, 1);
    EXPECT_FALSE(core.HandleProgramMessage(WM_CLOSE, 0, 0));
    EXPECT_FALSE(core.HandleProgramMessage(WM_USER + 111, 0, 0));
    post(WM_H5_CHECK_PASSWORD, 0,
         new std::string(R"({"serial":"X1","channelNo":1,"devip":"127.0.0.1","port":1})"));
    ASSERT_TRUE(runner.waitFor(1));
    auto scripts = runner.scripts();
    ASSERT_EQ(scripts.size(), 1u);
    EXPECT_TRUE(StartsWith(scripts[0], "SetMsgToH5('11', '"));
}

// A finished download is told to the page as answer 13, saved or not; the path may hold any
// character a file name can (an apostrophe must not end the script's string).
TEST_F(OrvexBrowserCoreTest, DownloadsAreToldToThePage) {
    EXPECT_TRUE(post(WM_DOWNLOAD_END, 0,
                     new DownloadEnd{"结果.csv", "/home/li/下载/Li's 结果 (1).csv", true}));
    EXPECT_TRUE(post(WM_DOWNLOAD_END, 0, new DownloadEnd{"a.csv", "", false}));
    auto scripts = runner.scripts();
    ASSERT_EQ(scripts.size(), 2u);
    // The writer escapes non-ASCII characters (\\uXXXX); the page's JSON reader restores them.
    EXPECT_EQ(
        scripts[0],
        "SetMsgToH5('13', '{\"fileName\" : \"\\\\u7ed3\\\\u679c.csv\",\"path\" : "
        "\"/home/li/\\\\u4e0b\\\\u8f7d/Li\\'s \\\\u7ed3\\\\u679c (1).csv\",\"saved\" : true}')");
    EXPECT_EQ(scripts[1],
              "SetMsgToH5('13', '{\"fileName\" : \"a.csv\",\"path\" : \"\",\"saved\" : false}')");
}

// A 404 load: the load report with "r" 1 and the error report; a later result is not reported.
TEST_F(OrvexBrowserCoreTest, OnlyTheFirstLoadResultIsReported) {
    post(WM_PAGE_LOAD_END, 0, new PageLoadEnd{"http://h/p", 404});
    post(WM_PAGE_LOAD_ERROR, 0, new PageLoadError{"http://h/p", -102, "ERR_CONNECTION_REFUSED"});
    post(WM_PAGE_LOAD_END, 0, new PageLoadEnd{"http://h/p", 200});
    auto reports = TakeQueuedStatisticsForTesting();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(StartsWith(reports[0], "systemName=studio_client_h5&type=17&uuid=" + core.uuid() +
                                           "&loadurl=https://h5.orvex.example/qm_h5/studio/"
                                           "index.html&cost="))
        << reports[0];
    EXPECT_NE(reports[0].find("&r=1&id=u7&un=Li%20Lei"), std::string::npos) << reports[0];
    EXPECT_EQ(reports[1],
              "systemName=studio_client_h5_err&type=17&err=404&emsg=&resurl=&uuid=" + core.uuid() +
                  "&host=host1&hip=10.9.8.7&httpc=404&requrl=https://h5.orvex.example/"
                  "qm_h5/studio/index.html");
}

// A task posted after the close is neither run nor kept: the pool holds no copy of it, so its
// payload is released at once (a task left queued would keep it alive). The task posted before
// the close shows that the count sees a handled task.
TEST_F(OrvexBrowserCoreTest, ClosingOnceStopsThePoolAndDropsLaterTasks) {
    const std::string camera = R"({"serial":"X1","channelNo":2,"devip":"127.0.0.1","port":1})";
    post(WM_H5_QUERY_INFO, 3, new std::string(camera));
    ASSERT_TRUE(runner.waitFor(1));
    EXPECT_TRUE(core.BeginClose());
    EXPECT_TRUE(core.isClosing());
    EXPECT_FALSE(core.BeginClose());

    auto request = std::make_shared<IssueRequest>(IssueRequest{"[]", "{}"});
    std::weak_ptr<IssueRequest> watch = request;
    core.AddTask(OperateTask{EM_OPERATETASK_TYPE_ISSUEDCFG, "", std::move(request)});
    post(WM_H5_QUERY_INFO, 3, new std::string(camera));
    EXPECT_TRUE(watch.expired()) << "the task is still queued";
    EXPECT_EQ(core.handled.load(), 1);
    EXPECT_EQ(runner.scripts().size(), 1u);
}

}  // namespace
}  // namespace orvex
