// Issuing benchmark: one issue request with every section to N lab cameras (setIssuedObject,
// setIssuedConfig, IssueWorker::Run), against a floor made of the same protocol exchanges with
// the same bytes by a bare client of the device library (no store, no conversion, no JSON);
// then the peak resident memory of a pass over 50 and over 500 cameras.
//
//   issue_bench [--cameras N] [Google Benchmark flags]
//
// The cameras are served by orvex-lab running as a child process, so its memory is not counted.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devcfg/config_items.h"
#include "devcfg/issue_worker.h"
#include "platform/rprov/rprov_agent.h"
#include "studio/data_manager.h"
#include "support/json_text.h"

extern char** environ;

#ifndef ORVEX_LAB
#define ORVEX_LAB "orvex-lab"  // found on the PATH when the build did not name it
#endif

namespace {

using orvex::CameraRecord;
using orvex::DataManager;
using orvex::DeviceConfig;

constexpr char kPassword[] = "bench-pw";

// Every section, with values every lab camera accepts whatever its sensitivity scale.
constexpr char kFullConfig[] = R"({"configItems":{
  "generalConfig":{"timeProofreading":{"proofMode":"auto","serverAddress":"ntp.bench.example"},
    "wiFiConfig":{"ssid":"Bench-AP","password":"bench-key-123","verifyMethod":"WPA2-PSK",
      "encryptType":"AES"}},
  "defenceConfig":{"motionDetectDefence":{"remindSwitch":true,"detectMode":0,
    "sensitivityLevel":5,"remindVoice":2}},
  "imageConfig":{
    "audioAndVideoConfig":{"videoConfig":[
      {"streamType":0,"keyFrameInterval":50,"maxFrameRate":25,"picQuality":2,"vbrUpperCap":4096,
       "videoFlowType":1,"bitrateType":"VBR","frameType":0,"videoCodecType":"STD_H265",
       "videoResolution":19},
      {"streamType":0,"keyFrameInterval":25,"maxFrameRate":15,"picQuality":3,"vbrUpperCap":512,
       "videoFlowType":0,"bitrateType":"CBR","frameType":0,"videoCodecType":"STD_H264",
       "videoResolution":2}],
      "audioConfig":{"audioCompressionType":"G711_U","inputVolume":60,"outputVolume":70,
       "audioInputMode":"Mic In"}},
    "imageBacklight":{"wideDynamicRangeSwitch":true},
    "imageColor":{"brightnessLevel":55,"contrastLevel":45,"saturationLevel":50,"hue":50},
    "imageDisplay":{"showOrvexLogo":false,"showName":true,"showDate":true,"showWeek":true,
      "dateFormat":"yyyy-MM-dd","displayState":1,"timeFormat":1}}}})";

// orvex-lab cameras as a child process.
class LabChild {
  public:
    LabChild(int cameras, const std::string& state) {
        int out[2];
        int in[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::vector<std::string> args = {
            ORVEX_LAB,  "cameras", "--state",    state,     "--count",  std::to_string(cameras),
            "--port",   "0",       "--password", kPassword, "--prefix", "BENCH",
            "--no-sync"};
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, ORVEX_LAB, &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(in[0]);
        stdout_ = out[0];
        stdin_ = in[1];
    }
    ~LabChild() {
        if (pid_ > 0) {
            [[maybe_unused]] ssize_t n = ::write(stdin_, "exit\n", 5);
            ::close(stdin_);
            int status = 0;
            for (int i = 0; i < 200 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i) {
                ::usleep(10000);
            }
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        ::close(stdout_);
    }

    // Reads the lab's events until "ready"; the records of its cameras, in serial order.
    std::vector<CameraRecord> cameras() {
        std::vector<CameraRecord> out;
        std::string buffer;
        char chunk[65536];
        for (;;) {
            size_t end;
            while ((end = buffer.find('\n')) != std::string::npos) {
                Json::Value event;
                orvex::ParseJson(buffer.substr(0, end), event);
                buffer.erase(0, end + 1);
                if (event["event"] == "camera") {
                    CameraRecord r;
                    r.serial = event["serial"].asString();
                    r.devname = r.serial;
                    r.devip = event["address"].asString();
                    r.port = event["port"].asInt();
                    r.passwd = kPassword;
                    r.channelNo = 1;
                    out.push_back(r);
                } else if (event["event"] == "ready") {
                    return out;
                } else if (event["event"] == "error") {
                    std::fprintf(stderr, "orvex-lab: %s\n", event["message"].asCString());
                    return {};
                }
            }
            pollfd p{stdout_, POLLIN, 0};
            if (::poll(&p, 1, 60000) <= 0) {
                return {};
            }
            const ssize_t got = ::read(stdout_, chunk, sizeof chunk);
            if (got <= 0) {
                return {};
            }
            buffer.append(chunk, static_cast<size_t>(got));
        }
    }

  private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    int stdin_ = -1;
};

std::vector<CameraRecord> gCameras;

std::string TargetsText(size_t n) {
    Json::Value list(Json::arrayValue);
    for (size_t i = 0; i < n; ++i) {
        list.append(orvex::WriteCameraObject(gCameras[i]));
    }
    return orvex::WriteJson(list);
}

// One issue request over the first n cameras, as the main window runs it.
void IssuePass(const std::string& targets, orvex::IssueWorker& worker) {
    DataManager& store = DataManager::instance();
    store.setIssuedObject(targets);
    store.setIssuedConfig(kFullConfig);
    worker.Run();
}

void BM_Issue(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const std::string targets = TargetsText(n);
    orvex::IssueWorker worker;
    IssuePass(targets, worker);  // the cameras hold the configuration from now on
    for (auto _ : state) {
        IssuePass(targets, worker);
        benchmark::DoNotOptimize(worker.result.data());
    }
    if (worker.result.find("\"isSuccess\" : false") != std::string::npos) {
        state.SkipWithError("a camera refused an item");
    }
    state.counters["cameras/s"] =
        benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["s/camera"] =
        benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

// What one camera's part of a pass sends, made once before timing.
struct BareCamera {
    CameraRecord record;
    std::vector<std::pair<int32_t, std::vector<uint8_t>>> blocks;  // item code, block
};

bool ReadRecord(const CameraRecord& r, DeviceConfig& config, orvex::ConfigRange& range) {
    int32_t handle = -1;
    orvex::LoginDeviceInfo info;
    if (!RPROV_Login_Dev(r.devip, r.port, r.passwd, handle, info, r.newDev)) {
        return false;
    }
    const bool ok = RPROV_GetConfig(handle, r.serial, r.channelNo, config) &&
                    RPROV_GetCfgRange(handle, r.serial, r.channelNo, range);
    RPROV_Logout_Dev(handle);
    return ok;
}

// The floor: per camera the targets' read (login, configuration, ranges, logout), the issue
// (login, eleven sets with the worker's blocks, logout) and the re-read.
void BM_Floor(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    orvex::IssuedConfig issued;
    orvex::ParseIssuedConfig(kFullConfig, issued);
    std::vector<BareCamera> cameras;
    for (size_t i = 0; i < n; ++i) {
        BareCamera c{gCameras[i], {}};
        auto work = std::make_unique<DeviceConfig>();
        orvex::ConfigRange range;
        if (!ReadRecord(c.record, *work, range)) {
            state.SkipWithError("a camera could not be read");
            return;
        }
        for (const orvex::IssueItem& item : orvex::IssueItems()) {
            for (int k = 0; k < item.codeCount; ++k) {
                std::vector<uint8_t> block =
                    orvex::PrepareItemBlock(item.codes[k], issued, c.record.channelNo, *work);
                orvex::AcceptItemBlock(item.codes[k], block, *work);
                c.blocks.emplace_back(item.codes[k], std::move(block));
            }
        }
        cameras.push_back(std::move(c));
    }
    auto config = std::make_unique<DeviceConfig>();
    bool allAccepted = true;
    for (auto _ : state) {
        for (const BareCamera& c : cameras) {
            orvex::ConfigRange range;
            ReadRecord(c.record, *config, range);
            int32_t handle = -1;
            orvex::LoginDeviceInfo info;
            RPROV_Login_Dev(c.record.devip, c.record.port, c.record.passwd, handle, info,
                            c.record.newDev);
            std::string message;
            for (const auto& [code, block] : c.blocks) {
                allAccepted &=
                    RPROV_SetConfig_To_Dev(handle, code, c.record.channelNo, block.data(), message);
            }
            RPROV_Logout_Dev(handle);
            ReadRecord(c.record, *config, range);
        }
    }
    if (!allAccepted) {
        state.SkipWithError("a camera refused an item");
    }
    state.counters["cameras/s"] =
        benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}

// Keeps each benchmark's real time per iteration for the ratio.
class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                seconds[run.benchmark_name()] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

// Resets the peak to the current resident size (Linux: "5" to clear_refs).
void ResetPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The peak resident memory of one issue pass over n cameras, with a store that starts empty.
long PassPeakKiB(size_t n, orvex::IssueWorker& worker) {
    const std::string targets = TargetsText(n);
    DataManager::instance().resetForTesting();
    ResetPeak();
    IssuePass(targets, worker);
    return PeakResidentKiB();
}

// What the store keeps in memory for the first n cameras: each one's page configuration text and
// range text, and the records read from them that are not in the cache's file.
double CachedMiB(size_t n) {
    size_t bytes = DataManager::instance().deviceConfigsInMemory() * DeviceConfig::kSize;
    for (size_t i = 0; i < n; ++i) {
        std::string text;
        const std::string key = gCameras[i].serial + "_1";
        if (DataManager::instance().cachedConfig(key, text)) {
            bytes += text.size();
        }
        if (DataManager::instance().cachedRange(key, text)) {
            bytes += text.size();
        }
    }
    return bytes / 1048576.0;
}

}  // namespace

int main(int argc, char** argv) {
    int cameras = 200;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cameras") == 0 && i + 1 < argc) {
            cameras = std::atoi(argv[++i]);
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (cameras < 1) {
        std::fprintf(stderr, "usage: issue_bench [--cameras N] [benchmark flags]\n");
        return 2;
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());

    const std::string state =
        (std::filesystem::exists("/dev/shm") ? std::string("/dev/shm") : std::string("/tmp")) +
        "/orvex_issue_bench_" + std::to_string(::getpid());
    const int served = std::max(cameras, 500);
    {
        LabChild lab(served, state);
        gCameras = lab.cameras();
        if (gCameras.size() != static_cast<size_t>(served)) {
            std::fprintf(stderr, "issue_bench: the lab did not start %d cameras\n", served);
            std::filesystem::remove_all(state);
            return 1;
        }
        RPROV_Init();

        benchmark::RegisterBenchmark("issue", BM_Issue)
            ->Arg(cameras)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(2.0);
        benchmark::RegisterBenchmark("floor", BM_Floor)
            ->Arg(cameras)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(2.0);
        RecordingReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);

        const std::string suffix = "/" + std::to_string(cameras) + "/min_time:2.000/real_time";
        const double issue = reporter.seconds["issue" + suffix];
        const double floor = reporter.seconds["floor" + suffix];
        if (issue > 0 && floor > 0) {
            std::printf("\ncameras: %d\n", cameras);
            std::printf("issue: %.1f cameras/s, %.3f ms per camera\n", cameras / issue,
                        issue * 1000.0 / cameras);
            std::printf("floor: %.1f cameras/s, %.3f ms per camera\n", cameras / floor,
                        floor * 1000.0 / cameras);
            std::printf("ratio issue/floor: %.3f (target <= 1.5 at 200 cameras)\n", issue / floor);
        }

        orvex::IssueWorker worker;
        const long peak50 = PassPeakKiB(50, worker);
        const double cached50 = CachedMiB(50);
        const long peak500 = PassPeakKiB(500, worker);
        const double cached500 = CachedMiB(500);
        const double difference = (peak500 - peak50) / 1024.0;
        std::printf(
            "peak resident memory of a pass: %ld KiB at 50 cameras, %ld KiB at 500 "
            "cameras, difference %.2f MiB (target < 10 MiB)\n",
            peak50, peak500, difference);
        std::printf(
            "of which the store's caches in memory grew %.2f MiB (%.1f KiB per camera); the "
            "rest %.2f MiB\n",
            cached500 - cached50, (cached500 - cached50) * 1024.0 / 450,
            difference - (cached500 - cached50));
    }
    std::filesystem::remove_all(state);
    benchmark::Shutdown();
    return 0;
}
