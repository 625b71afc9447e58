// The bootstrap's application objects and the render-side bindings, without the engine:
// process kinds, the browser switches, the fourteen bound functions and their forwarding.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/bridge_router.h"
#include "cef3/browser/cef_main_init.h"
#include "cef3/browser/client_app_browser.h"
#include "cef3/browser/client_app_render.h"
#include "cef3/browser/v8_handler.h"

namespace orvex {
namespace {

CefRefPtr<CefCommandLine> commandLine(std::vector<const char*> argv) {
    CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
    line->InitFromArgv(static_cast<int>(argv.size()), argv.data());
    return line;
}

TEST(ProcessKindTest, ComesFromTheTypeSwitch) {
    EXPECT_EQ(ProcessKindOf(*commandLine({"prog", "http://x/?a=1"})), ProcessKind::Browser);
    EXPECT_EQ(ProcessKindOf(*commandLine({"prog", "--type=renderer", "--lang=zh-CN"})),
              ProcessKind::Renderer);
    EXPECT_EQ(ProcessKindOf(*commandLine({"prog", "--type=gpu-process"})), ProcessKind::Other);
    EXPECT_EQ(ProcessKindOf(*commandLine({"prog", "--type=utility", "--renderer"})),
              ProcessKind::Other);
    EXPECT_EQ(ProcessKindOf(*commandLine({"prog", "--type"})), ProcessKind::Other);
    // After "--" nothing is a switch.
    EXPECT_EQ(ProcessKindOf(*commandLine({"prog", "--", "--type=renderer"})), ProcessKind::Browser);
}

TEST(ClientAppBrowserTest, AppendsTheThreeSwitchesInOrderForAnyProcessType) {
    for (const char* type : {"", "renderer"}) {
        CefRefPtr<ClientAppBrowser> app = new ClientAppBrowser();
        CefRefPtr<CefCommandLine> line = commandLine({"prog", "--lang=zh-CN"});
        app->OnBeforeCommandLineProcessing(CefString(type), line);
        std::vector<CefString> argv;
        line->GetArgv(argv);
        ASSERT_EQ(argv.size(), 5u);
        EXPECT_EQ(argv[1].ToString(), "--lang=zh-CN");
        EXPECT_EQ(argv[2].ToString(), "--no-proxy-server");
        EXPECT_EQ(argv[3].ToString(), "--disable-gpu");
        EXPECT_EQ(argv[4].ToString(), "--renderer-process-limit=1");
        EXPECT_TRUE(line->HasSwitch("disable-gpu"));
        EXPECT_EQ(line->GetSwitchValue("--renderer-process-limit").ToString(), "1");
        EXPECT_EQ(app->GetBrowserProcessHandler().get(),
                  static_cast<CefBrowserProcessHandler*>(app.get()));
        EXPECT_EQ(app->GetRenderProcessHandler(), nullptr);
    }
}

TEST(CefMainInitTest, SettingsAskForTheLibraryThreadAndTheChineseLocale) {
    CefSettings settings = CefMainInit::ProgramSettings();
    EXPECT_EQ(settings.multi_threaded_message_loop, 1);
    EXPECT_EQ(settings.locale.ToString(), "zh-CN");
    EXPECT_EQ(settings.windowless_rendering_enabled, 0);
    EXPECT_EQ(settings.no_sandbox, 0);
}

// A browser that records the messages the render side sends.
class SendingBrowser : public CefBrowser {
  public:
    CefRefPtr<CefBrowserHost> GetHost() override { return nullptr; }
    int GetIdentifier() override { return 1; }
    bool IsSame(CefRefPtr<CefBrowser> that) override { return that.get() == this; }
    bool IsLoading() override { return false; }
    void Reload() override {}
    void ReloadIgnoreCache() override {}
    void StopLoad() override {}
    CefRefPtr<CefFrame> GetMainFrame() override { return nullptr; }
    bool SendProcessMessage(CefProcessId target, CefRefPtr<CefProcessMessage> message) override {
        sent.push_back({target, message});
        return true;
    }
    std::vector<std::pair<CefProcessId, CefRefPtr<CefProcessMessage>>> sent;
    IMPLEMENT_REFCOUNTING(SendingBrowser);
};

class BindingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        browser = new SendingBrowser();
        context = new CefV8Context(browser.get(), nullptr);
        app = new ClientAppRender();
    }
    CefRefPtr<SendingBrowser> browser;
    CefRefPtr<CefV8Context> context;
    CefRefPtr<ClientAppRender> app;
};

TEST_F(BindingTest, EveryContextGetsTheFourteenFunctionsSharingOneHandler) {
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    global->SetValue("changeTitle", CefV8Value::CreateString("page's own"),
                     V8_PROPERTY_ATTRIBUTE_NONE);
    global->SetValue("unrelated", CefV8Value::CreateInt(1), V8_PROPERTY_ATTRIBUTE_NONE);
    app->OnContextCreated(browser.get(), nullptr, context);

    std::vector<CefString> keys;
    global->GetKeys(keys);
    EXPECT_EQ(keys.size(), 15u);
    CefRefPtr<CefV8Handler> shared;
    for (std::string_view name : BridgeFunctionNames) {
        CefRefPtr<CefV8Value> value = global->GetValue(std::string(name));
        ASSERT_TRUE(value && value->IsFunction()) << name;
        EXPECT_EQ(value->GetFunctionName().ToString(), name);
        if (!shared) {
            shared = value->GetFunctionHandler();
        }
        EXPECT_EQ(value->GetFunctionHandler().get(), shared.get());
    }
    EXPECT_TRUE(global->GetValue("unrelated")->IsInt());

    // No property attributes: the page may replace and delete the functions.
    EXPECT_TRUE(
        global->SetValue("queryOrvexInfo", CefV8Value::CreateNull(), V8_PROPERTY_ATTRIBUTE_NONE));
    EXPECT_TRUE(global->DeleteValue("PlayWord"));

    // A second context gets handlers of its own.
    CefRefPtr<CefV8Context> other = new CefV8Context(browser.get(), nullptr);
    app->OnContextCreated(browser.get(), nullptr, other);
    EXPECT_NE(other->GetGlobal()->GetValue("changeTitle")->GetFunctionHandler().get(),
              shared.get());
}

TEST_F(BindingTest, ACallIsForwardedByNameWithEachArgumentsStringValue) {
    app->OnContextCreated(browser.get(), nullptr, context);
    CefRefPtr<CefV8Value> function = context->GetGlobal()->GetValue("IssuedConfigToCameras");
    CefV8ValueList arguments = {CefV8Value::CreateString("[1]"), CefV8Value::CreateInt(7),
                                CefV8Value::CreateString(""), CefV8Value::CreateObject(),
                                CefV8Value::CreateString(u"末")};
    CefRefPtr<CefV8Value> retval;
    CefString exception;
    ASSERT_TRUE(context->Enter());
    EXPECT_TRUE(function->GetFunctionHandler()->Execute(
        function->GetFunctionName(), context->GetGlobal(), arguments, retval, exception));
    context->Exit();
    EXPECT_FALSE(retval);
    EXPECT_TRUE(exception.empty());
    ASSERT_EQ(browser->sent.size(), 1u);
    EXPECT_EQ(browser->sent[0].first, PID_BROWSER);
    CefRefPtr<CefProcessMessage> message = browser->sent[0].second;
    EXPECT_EQ(message->GetName().ToString(), "IssuedConfigToCameras");
    CefRefPtr<CefListValue> list = message->GetArgumentList();
    ASSERT_EQ(list->GetSize(), 5u);
    EXPECT_EQ(list->GetString(0).ToString(), "[1]");
    EXPECT_EQ(list->GetString(1).ToString(), "");  // not a string: no string value
    EXPECT_EQ(list->GetType(2), VTYPE_STRING);
    EXPECT_EQ(list->GetString(3).ToString(), "");
    EXPECT_EQ(list->GetString(4).ToString16(), u"末");

    // A call without arguments sends an empty list.
    context->Enter();
    function->GetFunctionHandler()->Execute("PlayRecord", context->GetGlobal(), {}, retval,
                                            exception);
    context->Exit();
    ASSERT_EQ(browser->sent.size(), 2u);
    EXPECT_EQ(browser->sent[1].second->GetName().ToString(), "PlayRecord");
    EXPECT_EQ(browser->sent[1].second->GetArgumentList()->GetSize(), 0u);
}

TEST(CommandLineTest, SwitchNamesWithOrWithoutDashesAndValues) {
    CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
    line->InitFromString("\"/opt/my app/prog\" --Type=renderer -v x \"an arg\" --flag=a=b");
    EXPECT_EQ(line->GetProgram().ToString(), "/opt/my app/prog");
    EXPECT_TRUE(line->HasSwitch("type"));
    EXPECT_TRUE(line->HasSwitch("--TYPE"));
    EXPECT_EQ(line->GetSwitchValue("type").ToString(), "renderer");
    EXPECT_TRUE(line->HasSwitch("v"));
    EXPECT_EQ(line->GetSwitchValue("flag").ToString(), "a=b");
    CefCommandLine::ArgumentList arguments;
    line->GetArguments(arguments);
    ASSERT_EQ(arguments.size(), 2u);
    EXPECT_EQ(arguments[1].ToString(), "an arg");
    line->AppendSwitchWithValue("--type", "gpu");
    EXPECT_EQ(line->GetSwitchValue("type").ToString(), "gpu");
}

}  // namespace
}  // namespace orvex
