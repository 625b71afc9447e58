// Issuing benchmark: one issue request with every section to N lab cameras that answer after D
// milliseconds (setIssuedObject, setIssuedConfig, IssueWorker::Run), with K cameras at once, for
// each K asked for. Each pass is timed on the wall clock and set against the serial pass (K = 1,
// timed on a sample of the cameras and scaled to N) and against a floor: the same exchanges by a
// bare client of the device library (no store, no conversion, no JSON) for one camera at a time,
// times N / K, or that client's CPU time for N cameras, whichever is larger. Memory: the peak
// resident size of the process during the pass plus the size of the store's memory file (the
// cached records), which resident size does not show.
//
// With --kind onvif the cameras are the lab's ONVIF cameras, reached through the ONVIF driver,
// and the configuration issued is the first camera's own (read through the driver, as the page
// reads a source camera) with a new time server and colours: every item then has a counterpart
// or asks for the value the camera reports. --kind onvif-digest does the same with cameras that
// also ask for HTTP Digest (the floor's bare client answers the same challenges).
//
//   issue_bench [--cameras N] [--delay-ms D] [--concurrency K[,K...]] [--serial-sample S]
//               [--kind rprov|onvif|onvif-digest]
//
// The cameras are served by orvex-lab running as a child process, so its memory is not counted.
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "devcfg/config_items.h"
#include "devcfg/device_config_json.h"
#include "devcfg/issue_worker.h"
#include "platform/rprov/rprov_agent.h"
#include "studio/data_manager.h"
#include "support/json_text.h"
#include "tests/devices/sample_issue.h"

extern char** environ;

#ifndef ORVEX_LAB
#define ORVEX_LAB "orvex-lab"  // found on the PATH when the build did not name it
#endif

namespace {

using orvex::CameraRecord;
using orvex::DataManager;
using orvex::DeviceConfig;
using Clock = std::chrono::steady_clock;

constexpr char kPassword[] = "bench-pw";
bool gOnvif = false;   // --kind onvif or onvif-digest
bool gDigest = false;  // --kind onvif-digest: every camera also asks for HTTP Digest

// Every section, with values every lab camera accepts whatever its sensitivity scale.
const std::string kFullConfig = std::string(R"({"configItems":{
  "generalConfig":{"timeProofreading":{"proofMode":"auto","serverAddress":"ntp.bench.example"},
    "wiFiConfig":{"ssid":"Bench-AP","password":"bench-key-123","verifyMethod":"WPA2-PSK",
      "encryptType":"AES"}},
  "defenceConfig":{"motionDetectDefence":{"remindSwitch":true,"detectMode":0,
    "sensitivityLevel":5,"remindVoice":2}},
  "imageConfig":{
    "audioAndVideoConfig":{"videoConfig":[)") +
                                orvex::testing::kSampleVideoStreams + R"(],
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
        // Each camera on its own loopback address, as cameras on a LAN have their own: thousands
        // of listening ports on one address would crowd the client's ephemeral ports instead.
        std::vector<std::string> args = {ORVEX_LAB,        "cameras",
                                         "--state",        state,
                                         "--count",        std::to_string(cameras),
                                         "--base-address", "127.2.0.1",
                                         "--port",         "8000",
                                         "--password",     kPassword,
                                         "--prefix",       "BENCH",
                                         "--kind",         gOnvif ? "onvif" : "rprov",
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
        for (Json::Value event; nextEvent(event);) {
            if (event["event"] == "camera") {
                CameraRecord r;
                r.serial = event["serial"].asString();
                r.devname = r.serial;
                r.devip = event["address"].asString();
                r.port = event["port"].asInt();
                r.passwd = kPassword;
                r.channelNo = 1;
                r.devType = gOnvif ? "ONVIF" : "IPC";
                out.push_back(r);
            } else if (event["event"] == "ready") {
                return out;
            }
        }
        return {};
    }

    // Gives every camera of `cameras` the fault words `words` (comma-separated); true once the
    // lab has applied them to all of them.
    bool faultAll(const std::vector<CameraRecord>& cameras, const std::string& words) {
        std::string commands;
        for (const CameraRecord& r : cameras) {
            commands += "fault " + r.serial + " " + words + "\n";
        }
        for (size_t done = 0; done < commands.size();) {
            const ssize_t n = ::write(stdin_, commands.data() + done, commands.size() - done);
            if (n <= 0) {
                return false;
            }
            done += static_cast<size_t>(n);
        }
        size_t applied = 0;
        for (Json::Value event; applied < cameras.size() && nextEvent(event);) {
            applied += event["event"] == "faults" ? 1 : 0;
        }
        return applied == cameras.size();
    }

    // The lab's CPU seconds so far (user and system), from /proc.
    double cpuSeconds() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(in)), {});
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            ticks += (i == 14 || i == 15) ? std::atof(field.c_str()) : 0;  // utime, stime
        }
        return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

  private:
    // The next event line of the lab; false at its end, after a minute of silence or on an
    // error event.
    bool nextEvent(Json::Value& event) {
        char chunk[65536];
        size_t end;
        while ((end = buffer_.find('\n')) == std::string::npos) {
            pollfd p{stdout_, POLLIN, 0};
            const ssize_t got = ::poll(&p, 1, 60000) > 0 ? ::read(stdout_, chunk, sizeof chunk) : 0;
            if (got <= 0) {
                return false;
            }
            buffer_.append(chunk, static_cast<size_t>(got));
        }
        event = Json::Value();
        orvex::ParseJson(buffer_.substr(0, end), event);
        buffer_.erase(0, end + 1);
        if (event["event"] == "error") {
            std::fprintf(stderr, "orvex-lab: %s\n", event["message"].asCString());
            return false;
        }
        return true;
    }

    pid_t pid_ = -1;
    int stdout_ = -1;
    int stdin_ = -1;
    std::string buffer_;
};

std::vector<CameraRecord> gCameras;
std::string gConfig = kFullConfig;  // what every pass issues

std::string TargetsText(size_t n) {
    Json::Value list(Json::arrayValue);
    for (size_t i = 0; i < n; ++i) {
        list.append(orvex::WriteCameraObject(gCameras[i]));
    }
    return orvex::WriteJson(list);
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double CpuSeconds() {
    rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

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

struct PassFigures {
    double wall = 0;
    double cpu = 0;      // this process's CPU seconds
    double peakMiB = 0;  // peak resident plus the memory file
    double fileMiB = 0;
    bool allAccepted = false;
};

// One issue request over the first n cameras with k at once, as the main window runs it, from a
// store that starts empty.
PassFigures Pass(size_t n, size_t k) {
    const std::string targets = TargetsText(n);
    DataManager& store = DataManager::instance();
    store.resetForTesting();
    orvex::IssueWorker worker(orvex::DataManager::instance());
    worker.setConcurrency(k);
    ResetPeak();
    const double cpu0 = CpuSeconds();
    const Clock::time_point start = Clock::now();
    store.setIssuedObject(targets, k);
    store.setIssuedConfig(gConfig);
    worker.Run();
    PassFigures f;
    f.wall = Seconds(Clock::now() - start);
    f.cpu = CpuSeconds() - cpu0;
    f.fileMiB = static_cast<double>(store.deviceConfigFileBytes()) / 1048576.0;
    f.peakMiB = static_cast<double>(PeakResidentKiB()) / 1024.0 + f.fileMiB;
    f.allAccepted = worker.result.find("\"isSuccess\" : false") == std::string::npos &&
                    worker.result.find("\"verified\" : false") == std::string::npos;
    return f;
}

// Logs in through the driver the camera's kind names, as the program does.
bool Login(const CameraRecord& r, int32_t& handle) {
    orvex::LoginDeviceInfo info;
    return RPROV_Login_DevAs(gOnvif ? RPROV_PROTOCOL_ONVIF : RPROV_PROTOCOL_DEVICE, r.devip, r.port,
                             orvex::OnvifUserName(r), r.passwd, handle, info, r.newDev);
}

bool ReadRecord(const CameraRecord& r, DeviceConfig& config, orvex::ConfigRange& range) {
    int32_t handle = -1;
    if (!Login(r, handle)) {
        return false;
    }
    const bool ok = RPROV_GetConfig(handle, r.serial, r.channelNo, config) &&
                    RPROV_GetCfgRange(handle, r.serial, r.channelNo, range);
    RPROV_Logout_Dev(handle);
    return ok;
}

// The bare client over the first n cameras, one at a time: per camera the targets' read (login,
// configuration, ranges, logout), the issue (login, eleven sets with the worker's blocks, logout)
// and the re-read. Returns the wall and CPU seconds per camera; the blocks are made beforehand.
bool BareClient(size_t n, double& wallPerCamera, double& cpuPerCamera) {
    orvex::IssuedConfig issued;
    orvex::ParseIssuedConfig(gConfig, issued);
    std::vector<std::vector<std::pair<int32_t, std::vector<uint8_t>>>> blocks(n);
    auto work = std::make_unique<DeviceConfig>();
    for (size_t i = 0; i < n; ++i) {
        orvex::ConfigRange range;
        if (!ReadRecord(gCameras[i], *work, range)) {
            return false;
        }
        for (const orvex::IssueItem& item : orvex::IssueItems()) {
            for (int c = 0; c < item.codeCount; ++c) {
                std::vector<uint8_t> block =
                    orvex::PrepareItemBlock(item.codes[c], issued, gCameras[i].channelNo, *work);
                orvex::AcceptItemBlock(item.codes[c], block, *work);
                blocks[i].emplace_back(item.codes[c], std::move(block));
            }
        }
    }
    bool allAccepted = true;
    const double cpu0 = CpuSeconds();
    const Clock::time_point start = Clock::now();
    for (size_t i = 0; i < n; ++i) {
        const CameraRecord& r = gCameras[i];
        orvex::ConfigRange range;
        ReadRecord(r, *work, range);
        int32_t handle = -1;
        Login(r, handle);
        std::string message;
        for (const auto& [code, block] : blocks[i]) {
            allAccepted &= RPROV_SetConfig_To_Dev(handle, code, r.channelNo, block.data(), message);
        }
        RPROV_Logout_Dev(handle);
        ReadRecord(r, *work, range);
    }
    wallPerCamera = Seconds(Clock::now() - start) / static_cast<double>(n);
    cpuPerCamera = (CpuSeconds() - cpu0) / static_cast<double>(n);
    return allAccepted;
}

std::vector<size_t> ParseList(const char* text) {
    std::vector<size_t> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        out.push_back(static_cast<size_t>(std::atol(item.c_str())));
    }
    return out;
}

// The ONVIF pass's configuration: the first camera's own, read through the driver, with a new
// time server and colours. False when it cannot be read.
bool OnvifConfig(std::string& config) {
    auto record = std::make_unique<DeviceConfig>();
    orvex::ConfigRange range;
    Json::Value json;
    if (gCameras.empty() || !ReadRecord(gCameras[0], *record, range) ||
        orvex::DeviceConfigToPageJson(*record, json).empty()) {
        return false;
    }
    Json::Value& items = json["configItems"];
    items["generalConfig"]["timeProofreading"]["serverAddress"] = "ntp.bench.example";
    items["imageConfig"]["imageColor"]["brightnessLevel"] = 55;
    items["imageConfig"]["imageColor"]["contrastLevel"] = 45;
    config = orvex::WriteJson(json);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    long cameras = 200;
    long delayMs = 0;
    long sample = 0;
    std::vector<size_t> concurrency = {16};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--cameras") == 0) {
            cameras = std::atol(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--delay-ms") == 0) {
            delayMs = std::atol(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--concurrency") == 0) {
            concurrency = ParseList(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--serial-sample") == 0) {
            sample = std::atol(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--kind") == 0 &&
                   (std::strcmp(argv[i + 1], "onvif") == 0 ||
                    std::strcmp(argv[i + 1], "onvif-digest") == 0 ||
                    std::strcmp(argv[i + 1], "rprov") == 0)) {
            gDigest = std::strcmp(argv[i + 1], "onvif-digest") == 0;
            gOnvif = gDigest || std::strcmp(argv[i + 1], "onvif") == 0;
        } else {
            cameras = -1;
        }
    }
    const bool badConcurrency = std::count(concurrency.begin(), concurrency.end(), 0) > 0;
    if (cameras < 1 || delayMs < 0 || sample < 0 || concurrency.empty() || badConcurrency ||
        argc % 2 == 0) {
        std::fprintf(stderr,
                     "usage: issue_bench [--cameras N] [--delay-ms D] [--concurrency K[,K...]] "
                     "[--serial-sample S] [--kind rprov|onvif|onvif-digest]\n");
        return 2;
    }
    const size_t n = static_cast<size_t>(cameras);
    // The serial pass is long at scale: it is timed on a sample (20 cameras by default).
    const size_t s = std::min(n, sample > 0 ? static_cast<size_t>(sample) : size_t{20});

    const std::string state =
        (std::filesystem::exists("/dev/shm") ? std::string("/dev/shm") : std::string("/tmp")) +
        "/orvex_issue_bench_" + std::to_string(::getpid());
    int status = 0;
    {
        LabChild lab(static_cast<int>(n), state);
        gCameras = lab.cameras();
        std::string words = delayMs > 0 ? "delay=" + std::to_string(delayMs) : "";
        if (gDigest) {
            words += words.empty() ? "http-digest" : ",http-digest";
        }
        if (gCameras.size() != n || (!words.empty() && !lab.faultAll(gCameras, words))) {
            std::fprintf(stderr, "issue_bench: the lab did not start %zu cameras\n", n);
            std::filesystem::remove_all(state);
            return 1;
        }
        RPROV_Init();
        if (gOnvif && !OnvifConfig(gConfig)) {
            std::fprintf(stderr, "issue_bench: the first ONVIF camera's settings cannot be read\n");
            std::filesystem::remove_all(state);
            return 1;
        }
        std::printf("cameras: %zu (%s), answer delay: %ld ms, serial sample: %zu\n", n,
                    gDigest  ? "ONVIF, HTTP Digest"
                    : gOnvif ? "ONVIF"
                             : "device protocol",
                    delayMs, s);

        Pass(s, 1);  // the sample's cameras have been read and written once before timing
        double bareWall = 0;
        double bareCpu = 0;
        if (!BareClient(s, bareWall, bareCpu)) {
            std::fprintf(stderr, "issue_bench: a camera refused the bare client\n");
            status = 1;
        }
        const PassFigures serial = Pass(s, 1);
        const double serialAtN = serial.wall / static_cast<double>(s) * static_cast<double>(n);
        std::printf("bare client: %.2f ms per camera on the wall, %.2f ms CPU\n", bareWall * 1000,
                    bareCpu * 1000);
        std::printf(
            "serial pass (K = 1): %.2f ms per camera (%.2f ms CPU), %.1f s for %zu cameras\n",
            serial.wall * 1000 / static_cast<double>(s), serial.cpu * 1000 / static_cast<double>(s),
            serialAtN, n);
        for (size_t k : concurrency) {
            const double labCpu0 = lab.cpuSeconds();
            const PassFigures pass = Pass(n, k);
            const double labCpu = lab.cpuSeconds() - labCpu0;
            const double floor =
                std::max(bareWall * static_cast<double>(n) / static_cast<double>(k),
                         bareCpu * static_cast<double>(n));
            std::printf(
                "K = %zu: %.2f s (%.0f cameras/s, %.2f ms CPU each here, %.2f ms in the lab), "
                "%.1fx "
                "faster than serial, "
                "%.2fx the floor of %.2f s; peak memory %.1f MiB (of which the memory file %.1f "
                "MiB)%s\n",
                k, pass.wall, static_cast<double>(n) / pass.wall,
                pass.cpu * 1000 / static_cast<double>(n), labCpu * 1000 / static_cast<double>(n),
                serialAtN / pass.wall, pass.wall / floor, floor, pass.peakMiB, pass.fileMiB,
                pass.allAccepted ? "" : "; SOME ITEMS FAILED");
            if (!pass.allAccepted) {
                status = 1;
            }
        }
    }
    std::filesystem::remove_all(state);
    return status;
}
