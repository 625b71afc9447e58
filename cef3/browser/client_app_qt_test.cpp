// The bootstrap's application objects and the render-side bindings, without the engine:
// process kinds, the browser switches, the fourteen bound functions, the command line.
#include <gtest/gtest.h>

#include "app/app_page_bridge.h"
#include "app/bridge_router.h"
#include "cef3/browser/client_app_browser.h"
#include "cef3/browser/client_app_render.h"

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
        std::vector<std::string> texts;
        for (const CefString& item : argv) {
            texts.push_back(item.ToString());
        }
        EXPECT_EQ(texts, (std::vector<std::string>{"prog", "--lang=zh-CN", "--no-proxy-server",
                                                   "--disable-gpu", "--renderer-process-limit=1"}))
            << type;
    }
}

// The forwarding of a call (V8Handler::Execute) is exercised in the real engine by the
// windowed control's end-to-end test, which calls every function with every kind of argument.
TEST(BindingTest, EveryContextGetsTheFourteenFunctionsSharingOneHandler) {
    InstallOrvexPageBridge();  // as the program's main does before the bootstrap
    CefRefPtr<ClientAppRender> app = new ClientAppRender();
    CefRefPtr<CefV8Context> context = new CefV8Context(nullptr, nullptr);
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    global->SetValue("changeTitle", CefV8Value::CreateString("page's own"),
                     V8_PROPERTY_ATTRIBUTE_NONE);
    global->SetValue("unrelated", CefV8Value::CreateInt(1), V8_PROPERTY_ATTRIBUTE_NONE);
    app->OnContextCreated(nullptr, nullptr, context);

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

    // A second context gets handlers of its own.
    CefRefPtr<CefV8Context> other = new CefV8Context(nullptr, nullptr);
    app->OnContextCreated(nullptr, nullptr, other);
    EXPECT_NE(other->GetGlobal()->GetValue("changeTitle")->GetFunctionHandler().get(),
              shared.get());
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
