// The page bridge in real Qt WebEngine (offscreen): the round trip of a bridge call answered by
// a push of a 2 KB JSON text, through the browser control and the router of the program, beside
// the same round trip over a plain QWebChannel (the floor); and the time from creating the
// control to the page's load end.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/app_page_bridge.h"
#include "app/control_script_runner.h"
#include "app/push_to_h5.h"
#include "cef3/browser/cef_main_init.h"
#include "cef3/control/cef_common.h"
#include "cef3/testing/event_wait.h"
#include "cef3/testing/page_server.h"
#include "platform/duilib/tab_layout_ui.h"
#include "platform/duilib/testing/skin_test_window.h"
#include "platform/win32/window_messages.h"
#include "support/text_conversion.h"

namespace orvex {
namespace {

constexpr int kRoundTrips = 2000;
constexpr int kWarmUp = 100;
constexpr int kWaitMs = 120000;

// A JSON answer of about 2 KB, on one line, with an apostrophe and a backslash to escape.
std::string answerText() {
    std::string text = "{\"cameras\":[";
    for (int i = 0; text.size() < 1950; ++i) {
        text += (i > 0 ? "," : "") + std::string("{\"serial\":\"SN") + std::to_string(100000 + i) +
                "\",\"devname\":\"O'Hall \\\\ cam " + std::to_string(i) + "\",\"port\":8000}";
    }
    return text + "]}";
}

// The page: calls queryOrvexInfo, waits for SetMsgToH5 and calls again at once; StopRecord when
// done, PauseRecord on a wrong answer. A round trip is the time between two calls arriving on
// the native side (native clock: the page's clock is coarse).
std::string benchPage(size_t expectedLength) {
    return R"HTML(<!doctype html><html><body><script>
var EXPECTED = )HTML" +
           std::to_string(expectedLength) + R"HTML(, WARM = )HTML" + std::to_string(kWarmUp) +
           R"HTML(, N = )HTML" + std::to_string(kRoundTrips) + R"HTML(;
var done = 0;
function SetMsgToH5(code, text) {
  if (code !== '1' || text.length !== EXPECTED) { PauseRecord(code, String(text.length)); return; }
  done++;
  if (done === WARM + N + 1) { StopRecord('done'); return; }
  queryOrvexInfo('1', '{}');
}
function startRoundTrips() { queryOrvexInfo('1', '{}'); }
</script></body></html>)HTML";
}

struct Stats {
    double p50 = 0;
    double p99 = 0;
};

// Percentiles of the intervals between consecutive arrivals (ns), after the warm-up, in ms.
Stats statsOf(const std::vector<qint64>& arrivals) {
    std::vector<double> times;
    for (size_t i = kWarmUp + 1; i < arrivals.size(); ++i) {
        times.push_back(static_cast<double>(arrivals[i] - arrivals[i - 1]) / 1e6);
    }
    std::sort(times.begin(), times.end());
    if (times.empty()) {
        return {};
    }
    auto at = [&](double q) {
        return times[std::min(times.size() - 1, static_cast<size_t>(q * times.size()))];
    };
    return {at(0.50), at(0.99)};
}

// The control's client: it catches the page's report before the router consumes it.
class BenchClient : public CCefCommonUI::ClientHandlerCommon {
  public:
    BenchClient() : ClientHandlerCommon(nullptr) {}
    bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source,
                                  CefRefPtr<CefProcessMessage> message) override {
        std::string name = message->GetName().ToString();
        if (name == "StopRecord" || name == "PauseRecord") {
            failed = name == "PauseRecord";
            finished = true;
        }
        return ClientHandlerCommon::OnProcessMessageReceived(browser, source, message);
    }
    bool finished = false;
    bool failed = false;
    IMPLEMENT_REFCOUNTING(BenchClient);
};

struct Results {
    Stats layer;
    Stats floor;
    std::vector<double> loadMs;
};
Results results;

testing::PageServer& server() {
    static testing::PageServer* instance = new testing::PageServer();
    return *instance;
}

// The skinned window with the program's control; WM_H5_QUERY_INFO answers with a push.
void BM_BridgeRoundTrip(benchmark::State& state) {
    const std::string answer = answerText();
    server().page("/bench", benchPage(Utf8ToWide(answer).size()));
    DuiLib::CPaintManagerUI::SetResourcePath(ORVEX_BENCH_SKIN_DIR);
    for (auto _ : state) {
        for (int load = 0; load < 5; ++load) {
            testing::SkinTestWindow window("TestFrame.xml", nullptr);
            CCefCommonUI* control = nullptr;
            bool loaded = false;
            QElapsedTimer clock;
            std::vector<qint64> arrivals;
            window.onUserMessage = [&](UINT message, WPARAM, LPARAM lParam) {
                if (message == WM_H5_QUERY_INFO) {
                    arrivals.push_back(clock.nsecsElapsed());
                    delete reinterpret_cast<std::string*>(lParam);
                    ControlScriptRunner runner;
                    runner.control = control;
                    PushToH5(&runner, 1, answer);
                } else if (message == WM_PAGE_LOAD_END) {
                    delete reinterpret_cast<PageLoadEnd*>(lParam);
                    loaded = true;
                } else if (message == WM_PAGE_LOAD_ERROR) {
                    delete reinterpret_cast<PageLoadError*>(lParam);
                }
            };
            window.Create(nullptr, "bench", WS_POPUP, 0);
            window.ShowWindow(true, true);
            testing::WaitFor([&] { return window.count("windowinit") == 1; }, kWaitMs);

            CefRefPtr<BenchClient> client = new BenchClient();
            clock.start();
            control = new CCefCommonUI(&window.manager(), client.get());
            control->LoadURL(server().url("/bench"));
            auto* tabs =
                static_cast<DuiLib::CTabLayoutUI*>(window.manager().FindControl("AnimLayout"));
            tabs->Add(control);
            tabs->SelectItem(tabs->GetCount() - 1);
            if (!testing::WaitFor([&] { return loaded; }, kWaitMs)) {
                state.SkipWithError("the page did not load");
                return;
            }
            results.loadMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            if (load < 4) {
                control->CloseBrowser(true);
                continue;
            }

            QElapsedTimer total;
            total.start();
            control->RunScript("startRoundTrips()");
            if (!testing::WaitFor([&] { return client->finished; }, kWaitMs) || client->failed) {
                state.SkipWithError("the round trips did not complete");
                return;
            }
            state.SetIterationTime(static_cast<double>(total.nsecsElapsed()) / 1e9);
            control->CloseBrowser(true);
            results.layer = statsOf(arrivals);
        }
    }
    std::vector<double> loads = results.loadMs;
    std::sort(loads.begin(), loads.end());
    state.counters["p50_us"] = results.layer.p50 * 1000;
    state.counters["p99_us"] = results.layer.p99 * 1000;
    state.counters["load_median_ms"] = loads.empty() ? 0 : loads[loads.size() / 2];
}

}  // namespace

// The floor: the same page calls a plain QWebChannel object, which answers at once with
// runJavaScript of the same push script (built for every answer, as a push builds it).
class FloorChannelObject : public QObject {
    Q_OBJECT

  public:
    FloorChannelObject(QWebEnginePage* page, std::string answer)
        : page_(page), answer_(std::move(answer)) {}
    Q_INVOKABLE void query(const QString&, const QString&) {
        arrivals.push_back(clock.nsecsElapsed());
        page_->runJavaScript(QString::fromStdString(orvex::BuildPushScript(1, answer_)), 0);
    }
    Q_INVOKABLE void report(const QString& kind, const QString&) {
        failed = kind != QLatin1String("done");
        finished = true;
    }

    QElapsedTimer clock;
    std::vector<qint64> arrivals;
    bool finished = false;
    bool failed = false;

  private:
    QWebEnginePage* page_;
    std::string answer_;
};

namespace {

void BM_WebChannelFloor(benchmark::State& state) {
    const std::string answer = answerText();
    server().page("/floor", benchPage(Utf8ToWide(answer).size()));
    QFile library(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    library.open(QIODevice::ReadOnly);
    QString glue = QString::fromUtf8(library.readAll()) + QStringLiteral(R"JS(
var floorBridge = null, floorQueue = [];
new QWebChannel(qt.webChannelTransport, function (channel) {
  floorBridge = channel.objects.floor;
  floorQueue.forEach(function (f) { f(); });
});
window.queryOrvexInfo = function (a, b) { floorBridge.query(a, b); };
window.StopRecord = function (text) { floorBridge.report('done', text); };
window.PauseRecord = function (a, b) { floorBridge.report('bad', a + ' ' + b); };
)JS");
    for (auto _ : state) {
        QWebEngineView view;
        view.resize(960, 600);
        QWebEngineScript script;
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(QWebEngineScript::MainWorld);
        script.setSourceCode(glue);
        view.page()->scripts().insert(script);
        FloorChannelObject object(view.page(), answer);
        QWebChannel channel;
        channel.registerObject(QStringLiteral("floor"), &object);
        view.page()->setWebChannel(&channel, QWebEngineScript::MainWorld);
        bool loaded = false;
        QObject::connect(view.page(), &QWebEnginePage::loadFinished, [&] { loaded = true; });
        view.show();
        view.load(QUrl(QString::fromStdString(server().url("/floor"))));
        if (!testing::WaitFor([&] { return loaded; }, kWaitMs)) {
            state.SkipWithError("the page did not load");
            return;
        }
        // The channel opens after the load; the run starts once it is ready.
        testing::WaitFor(
            [&] {
                bool ready = false;
                view.page()->runJavaScript(QStringLiteral("floorBridge !== null"), 0,
                                           [&](const QVariant& value) { ready = value.toBool(); });
                testing::WaitFor([&] { return ready; }, 50);
                return ready;
            },
            kWaitMs);
        QElapsedTimer total;
        total.start();
        object.clock.start();
        view.page()->runJavaScript(QStringLiteral("startRoundTrips()"), 0);
        if (!testing::WaitFor([&] { return object.finished; }, kWaitMs) || object.failed) {
            state.SkipWithError("the round trips did not complete");
            return;
        }
        state.SetIterationTime(static_cast<double>(total.nsecsElapsed()) / 1e9);
        results.floor = statsOf(object.arrivals);
    }
    state.counters["p50_us"] = results.floor.p50 * 1000;
    state.counters["p99_us"] = results.floor.p99 * 1000;
}

BENCHMARK(BM_BridgeRoundTrip)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebChannelFloor)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvex

int main(int argc, char** argv) {
    orvex::InstallOrvexPageBridge();  // the program's bridge, as main installs it
    bool multiThreadedLoop = false;
    bool initialised = false;
    CefMainInit bootstrap(CefMainArgs(argc, argv), &multiThreadedLoop, &initialised);
    if (!initialised) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const orvex::Results& r = orvex::results;
    std::vector<double> loads = r.loadMs;
    std::sort(loads.begin(), loads.end());
    std::printf("\nbridge round trip (%d calls, 2 KB answer): p50 %.3f ms, p99 %.3f ms\n",
                orvex::kRoundTrips, r.layer.p50, r.layer.p99);
    std::printf("plain QWebChannel floor:                     p50 %.3f ms, p99 %.3f ms\n",
                r.floor.p50, r.floor.p99);
    if (r.floor.p50 > 0 && r.floor.p99 > 0) {
        std::printf("ratio to the floor: p50 %.2f, p99 %.2f (target <= 1.3)\n",
                    r.layer.p50 / r.floor.p50, r.layer.p99 / r.floor.p99);
    }
    if (!loads.empty()) {
        std::printf("control created to page load end: median %.1f ms, max %.1f ms (%zu loads)\n",
                    loads[loads.size() / 2], loads.back(), loads.size());
    }
    return 0;
}

#include "bridge_bench.moc"
