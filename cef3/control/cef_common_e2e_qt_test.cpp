// The windowed browser control end to end, in real Qt WebEngine (offscreen) with pages from a
// loopback server: the bridge functions and the router, pushes, load results, keys, the context
// menu, drags, the control's browser window, the engine's switches and a screenshot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QWebEngineView>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "app/bridge_router.h"
#include "app/control_script_runner.h"
#include "app/push_to_h5.h"
#include "cef3/control/cef_common.h"
#include "cef3/testing/event_wait.h"
#include "cef3/testing/page_server.h"
#include "platform/cef/cef_app.h"
#include "platform/duilib/tab_layout_ui.h"
#include "platform/duilib/testing/skin_test_window.h"
#include "platform/win32/window_messages.h"
#include "support/text_conversion.h"

namespace orvex {
namespace {

using namespace DuiLib;
using std::chrono::milliseconds;

constexpr int kWaitMs = 20000;  // bounded waits for the engine (a loaded 2-core machine)

// The client of the windowed control, recording what reaches its handlers.
class RecordingClient : public CCefCommonUI::ClientHandlerCommon {
  public:
    RecordingClient() : ClientHandlerCommon(nullptr) {}

    struct Call {
        std::string name;
        std::vector<std::u16string> args;
        bool handled;
    };
    struct MenuItem {
        int id;
        std::string label;
        bool separator;
    };

    bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source,
                                  CefRefPtr<CefProcessMessage> message) override {
        bool handled = ClientHandlerCommon::OnProcessMessageReceived(browser, source, message);
        std::vector<std::u16string> args;
        for (size_t i = 0; i < message->GetArgumentList()->GetSize(); ++i) {
            args.push_back(message->GetArgumentList()->GetString(i).ToString16());
        }
        calls.push_back({message->GetName().ToString(), args, handled});
        return handled;
    }
    static std::vector<MenuItem> itemsOf(CefRefPtr<CefMenuModel> model) {
        std::vector<MenuItem> out;
        for (int i = 0; i < model->GetCount(); ++i) {
            out.push_back({model->GetCommandIdAt(i), model->GetLabelAt(i).ToString(),
                           model->GetTypeAt(i) == MENUITEMTYPE_SEPARATOR});
        }
        return out;
    }
    void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefContextMenuParams> params,
                             CefRefPtr<CefMenuModel> model) override {
        menuBefore = itemsOf(model);
        ClientHandlerCommon::OnBeforeContextMenu(browser, frame, params, model);
        menu = itemsOf(model);
        menuFlags = params->GetTypeFlags();
        ++menus;
    }
    bool OnDragEnter(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDragData> data,
                     DragOperationsMask mask) override {
        bool refused = ClientHandlerCommon::OnDragEnter(browser, data, mask);
        drags.push_back({mask, refused});
        return refused;
    }
    bool OnPreKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent& event,
                       CefEventHandle osEvent, bool* shortcut) override {
        keys.push_back(event);
        return ClientHandlerCommon::OnPreKeyEvent(browser, event, osEvent, shortcut);
    }

    void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) override {
        ++loadStarts;
        ClientHandlerCommon::OnLoadStart(browser, frame);
    }
    void OnBeforeClose(CefRefPtr<CefBrowser>) override { ++closes; }

    std::vector<Call> calls;
    std::vector<MenuItem> menuBefore;
    std::vector<MenuItem> menu;
    int menuFlags = 0;
    int menus = 0;
    std::vector<std::pair<uint32_t, bool>> drags;
    std::vector<CefKeyEvent> keys;
    int loadStarts = 0;
    int closes = 0;

    IMPLEMENT_REFCOUNTING(RecordingClient);
};

// What the host window received, with the payloads copied and freed.
struct Posted {
    UINT message;
    WPARAM wParam;
    std::string text;
    std::string text2;
    int code = 0;
};

class BrowserWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CPaintManagerUI::SetResourcePath(ORVEX_TEST_SKIN_DIR);
        window = std::make_unique<testing::SkinTestWindow>("TestFrame.xml", nullptr);
        window->onUserMessage = [this](UINT message, WPARAM wParam, LPARAM lParam) {
            posted.push_back(take(message, wParam, lParam));
        };
        ASSERT_NE(window->Create(nullptr, "browser test", WS_POPUP, 0), nullptr);
        window->CenterWindow();
        window->ShowWindow(true, true);
        widget = WidgetFromHandle(window->GetHWND());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
        ASSERT_TRUE(testing::WaitFor([&] { return window->count("windowinit") == 1; }, kWaitMs));
    }

    void TearDown() override {
        if (control != nullptr) {
            control->CloseBrowser(true);
        }
        window.reset();
        testing::RunEventsFor(0);
    }

    static Posted take(UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_PAGE_LOAD_END) {
            std::unique_ptr<PageLoadEnd> record(reinterpret_cast<PageLoadEnd*>(lParam));
            return {message, wParam, record->url, "", record->httpStatusCode};
        }
        if (message == WM_PAGE_LOAD_ERROR) {
            std::unique_ptr<PageLoadError> record(reinterpret_cast<PageLoadError*>(lParam));
            return {message, wParam, record->url, record->errorText, record->errorCode};
        }
        if (message == WM_H5_ISSUED_CONFIG || message == WM_H5_ISSUED_SINGLE_CONFIG) {
            std::unique_ptr<IssueRequest> request(reinterpret_cast<IssueRequest*>(lParam));
            return {message, wParam, request->cameras, request->config};
        }
        if (message == WM_H5_QUERY_INFO || message == WM_H5_CHANGE_TITLE ||
            message == WM_H5_CONFIG_NAME || message == WM_H5_CHECK_PASSWORD) {
            std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(lParam));
            return {message, wParam, *text, ""};
        }
        return {message, wParam, "", ""};
    }

    // Adds the browser control to "AnimLayout" and selects it, as the main window does.
    CCefCommonUI* OpenBrowser(const std::string& url) {
        client = new RecordingClient();
        control = new CCefCommonUI(&window->manager(), client.get());
        control->LoadURL(url);
        auto* tabs = static_cast<CTabLayoutUI*>(window->manager().FindControl("AnimLayout"));
        tabs->Add(control);
        tabs->SelectItem(tabs->GetCount() - 1);
        return control;
    }

    std::vector<Posted> postedOf(UINT message) const {
        std::vector<Posted> out;
        for (const Posted& item : posted) {
            if (item.message == message) {
                out.push_back(item);
            }
        }
        return out;
    }

    // The arguments of every call of `name` the client has seen, in order.
    std::vector<std::vector<std::u16string>> callsOf(const std::string& name) const {
        std::vector<std::vector<std::u16string>> out;
        for (const auto& call : client->calls) {
            if (call.name == name) {
                out.push_back(call.args);
            }
        }
        return out;
    }
    bool waitForCall(const std::string& name, size_t count = 1) {
        return testing::WaitFor([&] { return callsOf(name).size() >= count; }, kWaitMs);
    }
    bool waitForPosted(UINT message, size_t count = 1) {
        return testing::WaitFor([&] { return postedOf(message).size() >= count; }, kWaitMs);
    }

    // Waits until the window shows the page's background colour at the control's centre: the
    // engine has delivered a frame, and takes input from now on.
    bool waitForPagePixel(QColor color) {
        return testing::WaitFor(
            [&] {
                const RECT& pos = control->GetPos();
                QPoint centre((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2);
                return widget->grab().toImage().pixelColor(centre) == color;
            },
            kWaitMs);
    }

    QWebEngineView* view() const {
        return qobject_cast<QWebEngineView*>(WidgetFromHandle(control->GetBrowserWindow()));
    }

    testing::PageServer server;
    std::unique_ptr<testing::SkinTestWindow> window;
    QWidget* widget = nullptr;
    CefRefPtr<RecordingClient> client;
    CCefCommonUI* control = nullptr;
    std::vector<Posted> posted;
};

// Calls every bridge function (no arguments, one, three, numbers and objects), then overwrites
// one and deletes another, and reports what the calls returned.
const char kBridgePage[] = R"HTML(<!doctype html>
<html><head><meta charset="utf-8"><title>bridge</title></head>
<body style="margin:0;background:#2e7d32;color:#fff;font:20px sans-serif">
<p id="status">bridge page</p>
<script>
var results = [];
function call(name, args) { results.push(typeof window[name].apply(window, args)); }
call('PlayRecord', []);
call('PauseRecord', ['one']);
call('StopRecord', ['a', 'b', 'c']);
call('PlayWord', [42, 3.5, true]);
call('StopWord', [{a: 1}, [1, 2], null]);
call('PauseWord', [undefined]);
call('ReturnChoose', ['中文', "it's \\ fine"]);
call('changeTitle', ['标题 Title']);
call('resizeCefWnd', ['800', '600']);
call('queryOrvexInfo', [' 3abc', '{"serial":"S1"}']);
call('IssuedConfigToCameras', ['[{"serial":"A"}]', '{"configItems":{}}']);
call('IssuedSingleCfgToCameras', ['[]', '{}']);
call('IssuedConfigName', ['配置一']);
call('CheckDevPassword', ['{"passwd":"p"}', 'extra']);
window.changeTitle = function () { return 'mine'; };
var own = changeTitle('not forwarded');
delete window.StopWord;
PlayRecord('results', results.join(','), own + ',' + typeof window.StopWord);
</script></body></html>)HTML";

TEST_F(BrowserWindowTest, EveryBridgeFunctionReachesTheRouterWithItsStringValues) {
    server.page("/bridge", kBridgePage);
    QPoint corner = widget->pos();
    OpenBrowser(server.url("/bridge"));
    ASSERT_TRUE(waitForCall("PlayRecord", 2));

    // Every argument travels as its string value: non-strings have none (empty).
    std::vector<std::pair<std::string, std::vector<std::u16string>>> expected = {
        {"PlayRecord", {}},
        {"PauseRecord", {u"one"}},
        {"StopRecord", {u"a", u"b", u"c"}},
        {"PlayWord", {u"", u"", u""}},
        {"StopWord", {u"", u"", u""}},
        {"PauseWord", {u""}},
        {"ReturnChoose", {u"中文", u"it's \\ fine"}},
        {"changeTitle", {u"标题 Title"}},
        {"resizeCefWnd", {u"800", u"600"}},
        {"queryOrvexInfo", {u" 3abc", u"{\"serial\":\"S1\"}"}},
        {"IssuedConfigToCameras", {u"[{\"serial\":\"A\"}]", u"{\"configItems\":{}}"}},
        {"IssuedSingleCfgToCameras", {u"[]", u"{}"}},
        {"IssuedConfigName", {u"配置一"}},
        {"CheckDevPassword", {u"{\"passwd\":\"p\"}", u"extra"}},
    };
    // Each function returned undefined at once, without throwing; the overwritten one no
    // longer forwards (15 calls in all) and the deleted one is gone.
    std::u16string undefineds = u"undefined";
    for (int i = 1; i < 14; ++i) {
        undefineds += u",undefined";
    }
    expected.push_back({"PlayRecord", {u"results", undefineds, u"mine,undefined"}});
    const std::vector<RecordingClient::Call>& calls = client->calls;
    ASSERT_EQ(calls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(calls[i].name, expected[i].first) << i;
        EXPECT_EQ(calls[i].args, expected[i].second) << calls[i].name;
        EXPECT_TRUE(calls[i].handled) << calls[i].name;
    }

    // What the router makes of each call is the router's test; here the last one has arrived.
    ASSERT_TRUE(waitForPosted(WM_H5_CHECK_PASSWORD));
    // resizeCefWnd kept the window's corner and gave it the new size.
    EXPECT_EQ(widget->geometry(), QRect(corner, QSize(800, 600)));

    // A message from another process is not handled.
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("changeTitle");
    message->GetArgumentList()->SetString(0, "from the browser side");
    EXPECT_FALSE(client->OnProcessMessageReceived(control->GetBrowser(), PID_BROWSER, message));
    testing::RunEventsFor(0);
    EXPECT_EQ(postedOf(WM_H5_CHANGE_TITLE).size(), 1u);

    // The page inside the skin, saved for people to look at.
    ASSERT_TRUE(waitForPagePixel(QColor(0x2e, 0x7d, 0x32)));
    QImage shot = widget->grab().toImage();
    EXPECT_EQ(shot.pixelColor(200, 12), QColor(0x2f, 0x5d, 0x8c));  // the skin's caption
    QDir().mkpath(QStringLiteral(ORVEX_SCREENSHOT_DIR));
    EXPECT_TRUE(shot.save(QStringLiteral(ORVEX_SCREENSHOT_DIR "browser_window.png")));
}

// A parent page with a child frame of its own origin and one of another origin; each answers
// SetMsgToH5 through ReturnChoose, naming its frame. The foreign child tells the parent whether
// it sees a bridge function, after trying to slip a call through the relay.
const char kParentPage[] = R"HTML(<!doctype html>
<html><head><meta charset="utf-8"></head><body>
<script>
function SetMsgToH5(code, text) { ReturnChoose('main', code, text); }
window.addEventListener('message', function (e) {
  if (e.data && e.data.report) PauseRecord('foreign', e.data.report);
});
</script>
<iframe id="child" src="/child"></iframe>
<iframe id="foreign" src="%FOREIGN%"></iframe>
</body></html>)HTML";

const char kChildPage[] = R"HTML(<!doctype html>
<html><head><meta charset="utf-8"></head><body>
<script>
function SetMsgToH5(code, text) { ReturnChoose('sub', code, text); }
queryOrvexInfo('2', 'from-subframe');
PauseRecord(String(window.top === window), location.port);
</script></body></html>)HTML";

const char kForeignPage[] = R"HTML(<!doctype html>
<html><head><meta charset="utf-8"></head><body>
<script>
window.top.postMessage({mark: 'orvex-render-bridge', k: 'c', ctx: 'forged',
                        name: 'IssuedConfigName', args: [['s', 'from elsewhere']]}, '*');
window.top.postMessage({report: typeof queryOrvexInfo}, '*');
</script></body></html>)HTML";

// Only frames of the page's own origin get the bridge: a same-origin child's calls arrive like
// the main frame's, another origin's frame sees no bridge function and its forged relay is
// dropped. Only the main frame's load is a load result.
TEST_F(BrowserWindowTest,
       SubFrameCallsOfThePagesOriginArriveAndPushesFromAPoolThreadRunInTheMainFrame) {
    testing::PageServer other;  // another port: another origin
    other.page("/foreign", kForeignPage);
    server.page("/child", kChildPage);
    std::string parent = kParentPage;
    server.page("/parent", ReplaceAll(parent, "%FOREIGN%", other.url("/foreign")));
    OpenBrowser(server.url("/parent"));
    ASSERT_TRUE(waitForCall("PauseRecord", 2));
    EXPECT_EQ(callsOf("queryOrvexInfo"),
              (std::vector<std::vector<std::u16string>>{{u"2", u"from-subframe"}}));
    std::vector<std::vector<std::u16string>> pauses = callsOf("PauseRecord");
    std::sort(pauses.begin(), pauses.end());
    EXPECT_EQ(pauses, (std::vector<std::vector<std::u16string>>{
                          {u"false", Utf8ToWide(std::to_string(server.port()))},
                          {u"foreign", u"undefined"}}));
    EXPECT_TRUE(callsOf("IssuedConfigName").empty());
    ASSERT_TRUE(waitForPosted(WM_H5_QUERY_INFO));
    EXPECT_EQ(postedOf(WM_H5_QUERY_INFO)[0].wParam, 2u);
    EXPECT_EQ(postedOf(WM_H5_QUERY_INFO)[0].text, "from-subframe");
    ASSERT_TRUE(waitForPosted(WM_PAGE_LOAD_END));

    // A tab-indented text with an apostrophe and backslashes, as a worker would push it.
    const std::string text = "{\n\t\"name\" : \"O'Brien \\\\ C:\\\\dir\",\n\t\"n\" : 1\n}";
    std::atomic<int> pushed{0};
    ControlScriptRunner runner;
    runner.control = control;
    std::thread worker([&] {
        PushToH5(&runner, 7, text);
        for (int i = 0; i < 20; ++i) {
            PushToH5(&runner, 8, std::to_string(i));
        }
        pushed = 1;
    });
    // The main thread does not run its loop until the worker has pushed everything.
    while (pushed.load() == 0) {
        std::this_thread::sleep_for(milliseconds(1));
    }
    worker.join();
    ASSERT_TRUE(waitForCall("ReturnChoose", 21));
    std::vector<std::vector<std::u16string>> answers = callsOf("ReturnChoose");
    ASSERT_EQ(answers.size(), 21u);
    EXPECT_EQ(answers[0],
              (std::vector<std::u16string>{u"main", u"7", Utf8ToWide(FlattenJsonText(text))}));
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(answers[i + 1],
                  (std::vector<std::u16string>{u"main", u"8", Utf8ToWide(std::to_string(i))}));
    }
    // The engine reports the loads of the main frame only: the page with two child frames gave
    // one load result, the parent's, and no child's load added another since.
    std::vector<Posted> loads = postedOf(WM_PAGE_LOAD_END);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(loads[0].text, server.url("/parent"));
    EXPECT_EQ(loads[0].code, 200);
}

// Load results, and the engine's switches as the page sees them: its language, and no proxy.
TEST_F(BrowserWindowTest, LoadResultsArePostedToTheHostWindowAsRecords) {
    server.page("/ok", "<html><body><script>PlayWord(navigator.language);</script></body></html>");
    server.page("/missing", "<html><body>gone</body></html>", 404);
    OpenBrowser(server.url("/ok"));
    ASSERT_TRUE(waitForPosted(WM_PAGE_LOAD_END));
    EXPECT_EQ(postedOf(WM_PAGE_LOAD_END)[0].code, 200);
    EXPECT_EQ(postedOf(WM_PAGE_LOAD_END)[0].text, server.url("/ok"));
    ASSERT_TRUE(waitForCall("PlayWord"));
    EXPECT_EQ(callsOf("PlayWord")[0], std::vector<std::u16string>{u"zh-CN"});
    EXPECT_EQ(server.lastHeader("/ok", "Accept-Language").rfind("zh-CN", 0), 0u);

    control->LoadURL(server.url("/missing"));
    ASSERT_TRUE(waitForPosted(WM_PAGE_LOAD_END, 2));
    EXPECT_EQ(postedOf(WM_PAGE_LOAD_END)[1].code, 404);
    EXPECT_EQ(postedOf(WM_PAGE_LOAD_END)[1].text, server.url("/missing"));

    std::string refused = "http://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/x";
    control->LoadURL(refused);
    ASSERT_TRUE(waitForPosted(WM_PAGE_LOAD_ERROR));
    Posted error = postedOf(WM_PAGE_LOAD_ERROR)[0];
    EXPECT_EQ(error.code, -102);
    EXPECT_EQ(error.text2, "ERR_CONNECTION_REFUSED");
    EXPECT_EQ(error.text, refused);

    // A load stopped before it finished is aborted (-3): nothing is posted for it.
    server.page("/slow", "<html><body>slow</body></html>", 200, milliseconds(1500));
    int starts = client->loadStarts;
    control->LoadURL(server.url("/slow"));
    ASSERT_TRUE(testing::WaitFor([&] { return client->loadStarts > starts; }, kWaitMs));
    control->GetBrowser()->StopLoad();
    control->LoadURL(server.url("/ok"));
    ASSERT_TRUE(waitForPosted(WM_PAGE_LOAD_END, 3));
    EXPECT_EQ(postedOf(WM_PAGE_LOAD_END)[2].text, server.url("/ok"));
    EXPECT_EQ(postedOf(WM_PAGE_LOAD_ERROR).size(), 1u);

    // The test runs with an http_proxy that leads nowhere: with no proxy the name is looked
    // up (and fails), through the proxy the connection to it would fail instead.
    ASSERT_NE(std::getenv("http_proxy"), nullptr);
    control->LoadURL("http://proxy-probe.invalid/");
    ASSERT_TRUE(waitForPosted(WM_PAGE_LOAD_ERROR, 2));
    EXPECT_EQ(postedOf(WM_PAGE_LOAD_ERROR)[1].code, ERR_NAME_NOT_RESOLVED);
}

TEST_F(BrowserWindowTest, F5ReloadsThePageOtherKeysDoNotAndThePageSeesThemAll) {
    server.page("/keys", R"HTML(<!doctype html><html><body style="background:#abcdef">
<input id="field" autofocus><script>
document.addEventListener('keydown', function (e) { PlayWord(e.key); });
var focusWatch = setInterval(function () {
  if (document.hasFocus()) { clearInterval(focusWatch); StopWord('focused'); }
}, 5);
</script></body></html>)HTML");
    OpenBrowser(server.url("/keys"));
    ASSERT_TRUE(waitForPagePixel(QColor(0xab, 0xcd, 0xef)));  // input reaches the page now
    QWidget* target = view()->focusProxy();
    ASSERT_NE(target, nullptr);
    widget->activateWindow();
    view()->setFocus();
    ASSERT_TRUE(waitForCall("StopWord"));  // the page has the keyboard focus

    // The keys the page saw, apart from the probe key "x".
    auto words = [&] {
        std::vector<std::u16string> out;
        for (const auto& args : callsOf("PlayWord")) {
            if (args.at(0) != u"x") {
                out.push_back(args.at(0));
            }
        }
        return out;
    };
    // The engine drops keys for a while after a page first appears (about a second here): a
    // probe key is repeated until the page sees one.
    ASSERT_TRUE(testing::WaitFor(
        [&] {
            QTest::keyClick(target, Qt::Key_X);
            return testing::WaitFor([&] { return callsOf("PlayWord").size() > words().size(); },
                                    100);
        },
        kWaitMs));
    testing::RunEventsFor(50);
    size_t firstKey = client->keys.size();

    QTest::keyClick(target, Qt::Key_F6);
    QTest::keyClick(target, Qt::Key_A);
    ASSERT_TRUE(testing::WaitFor([&] { return words().size() == 2; }, kWaitMs));
    EXPECT_EQ(words(), (std::vector<std::u16string>{u"F6", u"a"}));
    EXPECT_EQ(server.hits("/keys"), 1);
    EXPECT_EQ(postedOf(WM_PAGE_LOAD_END).size(), 1u);
    // Before the page: F6 down and up; A down, its character and up.
    ASSERT_EQ(client->keys.size(), firstKey + 5);
    EXPECT_EQ(client->keys[firstKey].type, KEYEVENT_RAWKEYDOWN);
    EXPECT_EQ(client->keys[firstKey].windows_key_code, VK_F6);
    EXPECT_EQ(client->keys[firstKey + 1].type, KEYEVENT_KEYUP);
    EXPECT_EQ(client->keys[firstKey + 2].windows_key_code, 'A');
    EXPECT_EQ(client->keys[firstKey + 3].type, KEYEVENT_CHAR);
    EXPECT_EQ(client->keys[firstKey + 3].windows_key_code, 'a');

    QTest::keyClick(target, Qt::Key_F5);
    ASSERT_TRUE(waitForPosted(WM_PAGE_LOAD_END, 2));
    EXPECT_EQ(server.hits("/keys"), 2);
    // The page saw F5 before it was reloaded.
    ASSERT_TRUE(testing::WaitFor([&] { return words().size() == 3; }, kWaitMs));
    EXPECT_EQ(words().back(), u"F5");
}

TEST_F(BrowserWindowTest, ContextMenuModelOnThePageAndOnAnEditableFieldAndDrags) {
    server.page("/menu", R"HTML(<!doctype html><html><body style="margin:0;background:#abcdef">
<a id="link" href="/elsewhere" style="position:absolute;left:20px;top:100px;font-size:24px">link</a>
<input id="field" value="text" style="position:absolute;left:20px;top:200px;width:200px;height:30px">
</body></html>)HTML");
    OpenBrowser(server.url("/menu"));
    ASSERT_TRUE(waitForPagePixel(QColor(0xab, 0xcd, 0xef)));
    QWidget* target = view()->focusProxy();
    // Each right click opens the menu the control built; it is closed again so later input is
    // not grabbed by it.
    auto rightClick = [&](QPoint at, int menus) {
        QTest::mouseClick(target, Qt::RightButton, Qt::NoModifier, at);
        bool shown = testing::WaitFor([&] { return client->menus == menus; }, kWaitMs);
        while (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
        return shown;
    };
    auto has = [](const std::vector<RecordingClient::MenuItem>& menu, int id) {
        return std::any_of(menu.begin(), menu.end(),
                           [&](const auto& item) { return item.id == id && !item.separator; });
    };

    // On the page: the engine offers back, reload, save and the like, all in English and
    // without a counterpart here, so nothing is left and no menu is shown.
    ASSERT_TRUE(rightClick(QPoint(300, 60), 1));
    EXPECT_NE(client->menuFlags & CM_TYPEFLAG_PAGE, 0);
    EXPECT_EQ(client->menuFlags & CM_TYPEFLAG_EDITABLE, 0);
    EXPECT_TRUE(has(client->menuBefore, MENU_ID_BACK));  // the engine offered it
    EXPECT_TRUE(has(client->menuBefore, MENU_ID_RELOAD));
    EXPECT_TRUE(client->menu.empty());
    // On a link: its items go as well.
    ASSERT_TRUE(rightClick(QPoint(30, 110), 2));
    EXPECT_NE(client->menuFlags & CM_TYPEFLAG_LINK, 0);
    EXPECT_FALSE(client->menuBefore.empty());
    EXPECT_TRUE(client->menu.empty());

    // In a field: exactly the editing items, each with its Chinese label, and their actions
    // work through the real clipboard.
    auto evaluate = [&](const QString& script) {
        QString result;
        bool done = false;
        view()->page()->runJavaScript(script, [&](const QVariant& value) {
            result = value.toString();
            done = true;
        });
        testing::WaitFor([&] { return done; }, kWaitMs);
        return result.toStdU16String();
    };
    auto fieldValue = [&] {
        return evaluate(QStringLiteral("document.getElementById('field').value"));
    };
    auto fieldSelection = [&] {
        return evaluate(
            QStringLiteral("(f => f.value.substring(f.selectionStart, "
                           "f.selectionEnd))(document.getElementById('field'))"));
    };
    QApplication::clipboard()->setText(QStringLiteral("clip"));
    auto shownMenu = [&](QPoint at, int menus) -> QMenu* {
        QTest::mouseClick(target, Qt::RightButton, Qt::NoModifier, at);
        if (!testing::WaitFor([&] { return client->menus == menus; }, kWaitMs)) {
            return nullptr;
        }
        testing::WaitFor([] { return QApplication::activePopupWidget() != nullptr; }, kWaitMs);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    };
    auto trigger = [](QMenu* menu, const QString& label) {
        for (QAction* action : menu->actions()) {
            if (action->text() == label && action->isEnabled()) {
                action->trigger();
                menu->close();
                return true;
            }
        }
        menu->close();
        return false;
    };
    const std::set<std::string> chinese = {"撤销", "剪切", "复制", "粘贴", "删除", "全选"};
    QMenu* menu = shownMenu(QPoint(60, 215), 3);
    ASSERT_NE(menu, nullptr);
    EXPECT_NE(client->menuFlags & CM_TYPEFLAG_EDITABLE, 0);
    std::map<int, std::string> labels;
    for (const auto& item : client->menu) {
        if (!item.separator) {
            labels[item.id] = item.label;
            EXPECT_TRUE(chinese.count(item.label)) << item.id << " " << item.label;
        }
    }
    EXPECT_EQ(labels, (std::map<int, std::string>{{MENU_ID_UNDO, "撤销"},
                                                  {MENU_ID_CUT, "剪切"},
                                                  {MENU_ID_COPY, "复制"},
                                                  {MENU_ID_PASTE, "粘贴"},
                                                  {MENU_ID_SELECT_ALL, "全选"}}));
    for (QAction* action : menu->actions()) {
        EXPECT_TRUE(action->isSeparator() || chinese.count(action->text().toStdString()))
            << action->text().toStdString();
    }
    ASSERT_TRUE(trigger(menu, QStringLiteral("全选")));
    ASSERT_TRUE(testing::WaitFor([&] { return fieldSelection() == u"text"; }, kWaitMs));
    menu = shownMenu(QPoint(60, 215), 4);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(trigger(menu, QStringLiteral("复制")));
    ASSERT_TRUE(testing::WaitFor(
        [] { return QApplication::clipboard()->text() == QStringLiteral("text"); }, kWaitMs));
    QApplication::clipboard()->setText(QStringLiteral("粘贴的字"));
    menu = shownMenu(QPoint(60, 215), 5);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(trigger(menu, QStringLiteral("粘贴")));
    ASSERT_TRUE(testing::WaitFor([&] { return fieldValue() == u"粘贴的字"; }, kWaitMs));
    EXPECT_TRUE(has(client->menuBefore, MENU_ID_REDO));
    EXPECT_FALSE(has(client->menu, MENU_ID_REDO));

    // A drag that allows a link is refused; a copy drag is accepted.
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("http://example.invalid/link"))});
    data.setText(QStringLiteral("dragged"));
    QDragEnterEvent link(QPoint(50, 50), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                         Qt::NoModifier);
    QApplication::sendEvent(view(), &link);
    EXPECT_FALSE(link.isAccepted());
    QDragEnterEvent copy(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view(), &copy);
    EXPECT_TRUE(copy.isAccepted());
    QDragLeaveEvent leave;
    QApplication::sendEvent(view(), &leave);
    EXPECT_EQ(client->drags, (std::vector<std::pair<uint32_t, bool>>{
                                 {DRAG_OPERATION_COPY | DRAG_OPERATION_LINK, true},
                                 {DRAG_OPERATION_COPY, false}}));
}

TEST_F(BrowserWindowTest, ControlKeepsItsBrowserWindowInPlaceAndClosesItOnce) {
    server.page("/first", "<html><body><script>PlayWord('first');</script></body></html>");
    server.page("/second", "<html><body><script>PlayWord('second');</script></body></html>");
    client = new RecordingClient();
    control = new CCefCommonUI(&window->manager(), client.get());
    control->SetAttribute("homepage", server.url("/first").c_str());  // before the browser
    auto* tabs = static_cast<CTabLayoutUI*>(window->manager().FindControl("AnimLayout"));
    tabs->Add(control);
    ASSERT_TRUE(control->GetBrowser());
    ASSERT_TRUE(waitForCall("PlayWord"));
    EXPECT_EQ(callsOf("PlayWord")[0][0], u"first");
    // Added but not selected: its window is hidden with it.
    HWND browserWindow = control->GetBrowserWindow();
    EXPECT_FALSE(IsWindowVisible(browserWindow));
    tabs->SelectItem(tabs->GetCount() - 1);
    EXPECT_TRUE(IsWindowVisible(browserWindow));

    control->SetAttribute("homepage", server.url("/second").c_str());  // navigates at once
    ASSERT_TRUE(waitForCall("PlayWord", 2));
    EXPECT_EQ(callsOf("PlayWord")[1][0], u"second");

    control->SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(browserWindow));
    control->SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(browserWindow));
    // The next paint puts the browser window on the control's (new) rectangle.
    MoveWindow(window->GetHWND(), 40, 30, 1000, 700, TRUE);
    QWidget* browserWidget = WidgetFromHandle(browserWindow);
    auto placed = [&] {
        const RECT& pos = control->GetPos();
        return browserWidget->geometry() ==
               QRect(pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top);
    };
    ASSERT_TRUE(
        testing::WaitFor([&] { return control->GetPos().right == 1000 - 1 && placed(); }, kWaitMs));

    control->CloseBrowser(true);
    EXPECT_FALSE(control->GetBrowser());
    ASSERT_TRUE(testing::WaitFor([&] { return client->closes == 1; }, kWaitMs));
    EXPECT_FALSE(IsWindow(browserWindow));
    tabs->Remove(control);  // the destructor finds no browser to close
    control = nullptr;
    testing::RunEventsFor(0);
    EXPECT_EQ(client->closes, 1);
}

}  // namespace
}  // namespace orvex
