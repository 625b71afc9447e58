// The windowed browser control end to end, in real Qt WebEngine (offscreen) with pages from a
// loopback server: the bridge functions and the router, pushes, load results, keys, the context
// menu, drags, the control's browser window, the engine's switches and a screenshot.
#include <gtest/gtest.h>

#include <QDir>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>
#include <QWebEngineView>
#include <QWidget>
#include <memory>
#include <thread>

#include "app/bridge_router.h"
#include "app/push_to_h5.h"
#include "cef3/control/cef_common.h"
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
    void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefContextMenuParams> params,
                             CefRefPtr<CefMenuModel> model) override {
        std::vector<MenuItem> before;
        for (int i = 0; i < model->GetCount(); ++i) {
            before.push_back({model->GetCommandIdAt(i), model->GetLabelAt(i).ToString(),
                              model->GetTypeAt(i) == MENUITEMTYPE_SEPARATOR});
        }
        ClientHandlerCommon::OnBeforeContextMenu(browser, frame, params, model);
        menuBefore = before;
        menu.clear();
        for (int i = 0; i < model->GetCount(); ++i) {
            menu.push_back({model->GetCommandIdAt(i), model->GetLabelAt(i).ToString(),
                            model->GetTypeAt(i) == MENUITEMTYPE_SEPARATOR});
        }
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

    const Call* find(const std::string& name) const {
        for (const Call& call : calls) {
            if (call.name == name) {
                return &call;
            }
        }
        return nullptr;
    }

    std::vector<Call> calls;
    std::vector<MenuItem> menuBefore;
    std::vector<MenuItem> menu;
    int menuFlags = 0;
    int menus = 0;
    std::vector<std::pair<uint32_t, bool>> drags;
    std::vector<CefKeyEvent> keys;

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
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->count("windowinit") == 1; }, kWaitMs));
    }

    void TearDown() override {
        if (control != nullptr) {
            control->CloseBrowser(true);
        }
        window.reset();
        QTest::qWait(0);
    }

    static Posted take(UINT message, WPARAM wParam, LPARAM lParam) {
        Posted out{message, wParam, {}, {}, 0};
        switch (message) {
            case WM_PAGE_LOAD_END: {
                std::unique_ptr<PageLoadEnd> record(reinterpret_cast<PageLoadEnd*>(lParam));
                out.text = record->url;
                out.code = record->httpStatusCode;
                break;
            }
            case WM_PAGE_LOAD_ERROR: {
                std::unique_ptr<PageLoadError> record(reinterpret_cast<PageLoadError*>(lParam));
                out.text = record->url;
                out.text2 = record->errorText;
                out.code = record->errorCode;
                break;
            }
            case WM_H5_ISSUED_CONFIG:
            case WM_H5_ISSUED_SINGLE_CONFIG: {
                std::unique_ptr<IssueRequest> request(reinterpret_cast<IssueRequest*>(lParam));
                out.text = request->cameras;
                out.text2 = request->config;
                break;
            }
            case WM_H5_QUERY_INFO:
            case WM_H5_CHANGE_TITLE:
            case WM_H5_CONFIG_NAME:
            case WM_H5_CHECK_PASSWORD: {
                std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(lParam));
                out.text = *text;
                break;
            }
            default:
                break;
        }
        return out;
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

    bool waitForCall(const std::string& name, size_t count = 1) {
        return QTest::qWaitFor(
            [&] {
                size_t n = 0;
                for (const auto& call : client->calls) {
                    n += call.name == name ? 1 : 0;
                }
                return n >= count;
            },
            kWaitMs);
    }
    bool waitForPosted(UINT message, size_t count = 1) {
        return QTest::qWaitFor([&] { return postedOf(message).size() >= count; }, kWaitMs);
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
PlayRecord('results', results.join(','));
</script></body></html>)HTML";

TEST_F(BrowserWindowTest, EveryBridgeFunctionReachesTheRouterWithItsStringValues) {
    server.page("/bridge", kBridgePage);
    OpenBrowser(server.url("/bridge"));
    ASSERT_TRUE(waitForCall("PlayRecord", 2));

    const std::vector<RecordingClient::Call>& calls = client->calls;
    ASSERT_EQ(calls.size(), 15u);
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
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(calls[i].name, expected[i].first) << i;
        EXPECT_EQ(calls[i].args, expected[i].second) << calls[i].name;
        EXPECT_TRUE(calls[i].handled) << calls[i].name;
    }
    // Each function returned undefined at once, without throwing.
    std::u16string undefineds;
    for (int i = 0; i < 14; ++i) {
        undefineds += i == 0 ? u"undefined" : u",undefined";
    }
    EXPECT_EQ(calls[14].args, (std::vector<std::u16string>{u"results", undefineds}));

    // What the router made of them, on the host window.
    ASSERT_TRUE(waitForPosted(WM_H5_CHECK_PASSWORD));
    std::vector<Posted> title = postedOf(WM_H5_CHANGE_TITLE);
    ASSERT_EQ(title.size(), 1u);
    std::u16string titleText = u"标题 Title";
    EXPECT_EQ(title[0].text, WideToAnsi(titleText.data(), titleText.size()));
    std::vector<Posted> query = postedOf(WM_H5_QUERY_INFO);
    ASSERT_EQ(query.size(), 1u);
    EXPECT_EQ(query[0].wParam, 3u);
    EXPECT_EQ(query[0].text, "{\"serial\":\"S1\"}");
    std::vector<Posted> issue = postedOf(WM_H5_ISSUED_CONFIG);
    ASSERT_EQ(issue.size(), 1u);
    EXPECT_EQ(issue[0].text, "[{\"serial\":\"A\"}]");
    EXPECT_EQ(issue[0].text2, "{\"configItems\":{}}");
    EXPECT_EQ(postedOf(WM_H5_ISSUED_SINGLE_CONFIG).size(), 1u);
    ASSERT_EQ(postedOf(WM_H5_CONFIG_NAME).size(), 1u);
    std::u16string name = u"配置一";
    EXPECT_EQ(postedOf(WM_H5_CONFIG_NAME)[0].text, WideToAnsi(name.data(), name.size()));
    EXPECT_EQ(postedOf(WM_H5_CHECK_PASSWORD)[0].text, "{\"passwd\":\"p\"}");
    // resizeCefWnd kept the window's corner and gave it the new size.
    EXPECT_EQ(widget->size(), QSize(800, 600));
}

}  // namespace
}  // namespace orvex
