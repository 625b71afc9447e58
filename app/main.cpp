// The program's entry point: the crash filter, the browser bootstrap (which ends every
// sub-process), the studio's command line, statistics, the main window and the message loop.
#include <cstdio>
#include <string>

#include "app/app_page_bridge.h"
#include "app/command_line.h"
#include "app/crash_dump.h"
#include "app/orvex_browser.h"
#include "app/program_info.h"
#include "cef3/browser/cef_main_init.h"
#include "cef3/browser/client_app.h"
#include "cef3/browser/main_message_loop.h"
#include "platform/win32/process_info.h"
#include "stats/statistics.h"
#include "support/text_conversion.h"

int main(int argc, char** argv) {
    // Answered before anything starts: no engine, no display, no studio.
    switch (orvex::InfoRequestOf(argc, argv)) {
        case orvex::InfoRequest::Version:
            std::fputs(orvex::VersionText().c_str(), stdout);
            return 0;
        case orvex::InfoRequest::Help:
            std::fputs(orvex::HelpText().c_str(), stdout);
            return 0;
        case orvex::InfoRequest::None:
            break;
    }
    orvex::PrepareDumpFallbackFolder();
    SetUnhandledExceptionFilter(orvex::OrvexCloudDump);
    orvex::SetCommandLineFromArgs(argc, argv);

    orvex::InstallOrvexPageBridge();
    // The terminal stays quiet: the engine's and Qt's messages are debug output. The engine's
    // sub-processes inherit this from the browser process.
    CefRefPtr<CefCommandLine> ownCommandLine = CefCommandLine::CreateCommandLine();
    ownCommandLine->InitFromArgv(argc, argv);
    if (orvex::ProcessKindOf(*ownCommandLine) == orvex::ProcessKind::Browser) {
        CefSendEngineMessagesToDebugOutput();
    }
    bool multiThreadedLoop = false;
    bool initialised = false;
    CefMainInit bootstrap(CefMainArgs(argc, argv), &multiThreadedLoop, &initialised);
    if (!initialised) {
        return -1;
    }
    const std::string commandLine = GetCommandLineA();

    DuiLib::CPaintManagerUI::SetInstance(nullptr);
    DuiLib::CPaintManagerUI::SetResourcePath(
        (DuiLib::CPaintManagerUI::GetInstancePath() + "Skin/").c_str());
    if (CoInitialize(nullptr) < 0) {
        return 0;
    }
    std::optional<orvex::CommandLineValues> values = orvex::ParseCommandLine(commandLine);
    if (!values) {
        return -1;
    }

    orvex::InitStatistics(0);
    orvex::SetCommonStatisticsString("hc", values->hc.c_str());
    orvex::SetCommonStatisticsString("clt_ver", values->clientVersion.c_str());
    orvex::SetCommonStatisticsInt("clt_type", 9);
    orvex::SetStatisticsServer(values->logDomain.c_str(), 80);
    orvex::StartStatisticsSender(1);

    // The window lives until the process ends.
    auto* window = new COrvexBrowser(values->pageAddress);
    window->SetUserInfo(values->userId, values->userName);
    window->SetHostInfo(values->host, values->domainIp);
    window->Create(nullptr, orvex::Utf8ToAnsi("云配置").c_str(), WS_POPUP, 0, 0, 0, CW_USEDEFAULT,
                   CW_USEDEFAULT);
    window->CenterWindow();
    window->ShowWindow(true, true);

    if (multiThreadedLoop) {
        CMainMessageLoopWin loop;
        loop.Run();
    } else {
        CefRunMessageLoop();
    }

    CefShutdown();
    CoUninitialize();
    orvex::UnInitStatistics();
    orvex::StopStatisticsSender();
    return 0;
}
