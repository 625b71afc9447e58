// Start-up benchmark of the whole program: the time from starting orvex-cloud-config (offscreen,
// against orvex-lab as studio and cameras) to its page's load event and to the first answers of
// the page's group-list query, and the memory of the program and its browser sub-processes once
// the page is idle.
//
//   startup_bench [Google Benchmark flags]      (10 runs by default: min, median, max)
//
// The page (tests/e2e/pages/bench.html) is served by this program, which times the beacons it
// sends: "load" at its load event, "first-answer" at the first answer of queryOrvexInfo type 1,
// "groups" at the first answer that lists the studio's groups. The program's own load report
// reaches a statistics endpoint here as well (on 127.0.0.41:80 when the port can be bound), whose
// "cost" item is the load time the program measured itself. The studio's port is fixed at
// 127.0.0.1:5905: nothing else may use it while this runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/lab/testing/lab_process.h"

extern char** environ;

#ifndef ORVEX_PROGRAM
#define ORVEX_PROGRAM "orvex-cloud-config"
#endif
#ifndef ORVEX_LAB
#define ORVEX_LAB "orvex-lab"
#endif
#ifndef ORVEX_BENCH_PAGES
#define ORVEX_BENCH_PAGES "tests/e2e/pages"
#endif

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr char kStatsHost[] = "127.0.0.41";
constexpr int kCameras = 25;
constexpr auto kIdle = 2s;  // after the groups arrived, before the memory is read

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Records when named events arrive and lets the benchmark wait for them.
class Arrivals {
  public:
    void record(const std::string& name, const std::string& value = "") {
        std::lock_guard<std::mutex> lock(mutex_);
        if (seen_.count(name) == 0) {
            seen_[name] = {Clock::now(), value};
        }
        changed_.notify_all();
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.clear();
    }
    // The arrival of `name`, waiting until `deadline`.
    std::optional<std::pair<Clock::time_point, std::string>> wait(const std::string& name,
                                                                  Clock::time_point deadline) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_until(lock, deadline, [&] { return seen_.count(name) > 0; })) {
            return std::nullopt;
        }
        return seen_[name];
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::pair<Clock::time_point, std::string>> seen_;
};

// An HTTP server on its own thread.
class Server {
  public:
    ~Server() {
        server_.stop();
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    httplib::Server& http() { return server_; }
    // Binds host:port (0: any free port) and serves; the port, or -1.
    int start(const std::string& host, int port) {
        port_ = port == 0 ? server_.bind_to_any_port(host)
                          : (server_.bind_to_port(host, port) ? port : -1);
        if (port_ > 0) {
            thread_ = std::thread([this] { server_.listen_after_bind(); });
        }
        return port_;
    }

  private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = -1;
};

// The program in a session of its own, so that its browser sub-processes can be found and ended.
class ProgramProcess {
  public:
    explicit ProgramProcess(const std::string& argument) {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            std::string entry = *e;
            if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("QT_QPA_PLATFORM=", 0) != 0 &&
                entry.rfind("ORVEX_DEBUG_OUTPUT=", 0) != 0) {
                env.push_back(entry);
            }
        }
        env.push_back("QT_QPA_PLATFORM=offscreen");
        env.push_back("QTWEBENGINE_DISABLE_SANDBOX=1");
        env.push_back("LC_ALL=C.UTF-8");
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        std::string program = ORVEX_PROGRAM;
        std::string arg = argument;
        char* argv[] = {program.data(), arg.data(), nullptr};

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
        if (posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv, envp.data()) != 0) {
            pid_ = -1;
        }
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ProgramProcess() { end(); }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // True once the program has ended within `limit`.
    bool waitExit(std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (!exited_) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                break;
            }
            if (Clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    // Every live process of the program's session (the program while it runs, its
    // sub-processes).
    std::vector<pid_t> session() const {
        std::vector<pid_t> pids;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) {
                continue;
            }
            std::ifstream stat(entry.path() / "stat");
            std::string text((std::istreambuf_iterator<char>(stat)), {});
            size_t close = text.rfind(')');
            if (close == std::string::npos) {
                continue;
            }
            std::istringstream rest(text.substr(close + 2));
            std::string state;
            long parent = 0, group = 0, sid = 0;
            rest >> state >> parent >> group >> sid;
            if (state != "Z" && sid == pid_) {
                pids.push_back(static_cast<pid_t>(std::stol(name)));
            }
        }
        return pids;
    }

    // Kills whatever is left of the session and reaps the program.
    void end() {
        if (pid_ <= 0) {
            return;
        }
        for (int round = 0; round < 50; ++round) {
            std::vector<pid_t> left = session();
            if (left.empty()) {
                break;
            }
            for (pid_t p : left) {
                ::kill(p, SIGKILL);
            }
            std::this_thread::sleep_for(20ms);
            waitExit(0ms);
        }
        waitExit(5s);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    bool exited_ = false;
};

// A "Name:   N kB" value of a /proc file.
long KilobytesOf(const std::string& file, const std::string& name) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(name + ":", 0) == 0) {
            return std::strtol(line.c_str() + name.size() + 1, nullptr, 10);
        }
    }
    return 0;
}

struct Memory {
    double rssMiB = 0;  // resident set sizes added up (shared pages counted in every process)
    double pssMiB = 0;  // proportional set sizes added up (shared pages divided among sharers)
    int processes = 0;
};

Memory MemoryOf(const std::vector<pid_t>& pids) {
    Memory m;
    for (pid_t p : pids) {
        const std::string dir = "/proc/" + std::to_string(p);
        m.rssMiB += static_cast<double>(KilobytesOf(dir + "/status", "VmRSS")) / 1024.0;
        m.pssMiB += static_cast<double>(KilobytesOf(dir + "/smaps_rollup", "Pss")) / 1024.0;
        ++m.processes;
    }
    return m;
}

// The lab, the page server and the statistics endpoint, shared by every run.
struct World {
    std::filesystem::path state;
    std::unique_ptr<orvex::testing::LabProcess> cameras, studio;
    Server pages, stats;
    Arrivals beacons, reports;
    int pagePort = -1;
    bool statsServed = false;
    std::string error;

    World() {
        ::setenv("ORVEX_LAB", ORVEX_LAB, 0);
        char pattern[] = "/tmp/orvex-startup-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            error = "cannot make a temporary folder";
            return;
        }
        state = pattern;
        const std::string fleet = (state / "fleet.json").string();
        cameras = std::make_unique<orvex::testing::LabProcess>(
            std::vector<std::string>{"cameras", "--state", (state / "cameras").string(), "--count",
                                     std::to_string(kCameras), "--fleet-out", fleet, "--no-sync"});
        if (!cameras->started() || !cameras->waitEvent("ready", 30s)) {
            error = "the lab's cameras did not start (" ORVEX_LAB ")";
            return;
        }
        studio = std::make_unique<orvex::testing::LabProcess>(std::vector<std::string>{
            "studio", "--port", "5905", "--fleet", fleet, "--send-on-hello"});
        if (!studio->started() || !studio->waitEvent("listening", 10s)) {
            error = "the lab's studio cannot listen on 127.0.0.1:5905 (is it in use?)";
            return;
        }
        if (!pages.http().set_mount_point("/", ORVEX_BENCH_PAGES)) {
            error = "no page folder " ORVEX_BENCH_PAGES;
            return;
        }
        pages.http().Post(R"(/beacon/([a-z-]+))",
                          [this](const httplib::Request& request, httplib::Response& response) {
                              beacons.record(request.matches[1]);
                              response.status = 204;
                          });
        pagePort = pages.start("127.0.0.1", 0);
        if (pagePort <= 0) {
            error = "cannot serve the page";
            return;
        }
        // The program posts its statistics to port 80 of the log domain (binding it needs root).
        stats.http().Post("/statistics.do", [this](const httplib::Request& request,
                                                   httplib::Response& response) {
            const std::string& target = request.target;
            if (target.find("systemName=studio_client_h5&") != std::string::npos) {
                size_t cost = target.find("&cost=");
                reports.record(
                    "load", cost == std::string::npos
                                ? ""
                                : target.substr(cost + 6, target.find('&', cost + 6) - cost - 6));
            }
            response.set_content("ok", "text/plain");
        });
        statsServed = stats.start(kStatsHost, 80) == 80;
    }
    ~World() {
        studio.reset();
        cameras.reset();
        if (!state.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(state, ignored);
        }
    }

    std::string commandLine() const {
        return "http://127.0.0.1:" + std::to_string(pagePort) +
               "/bench.html&Userid=bench&UserName=bench&hc=h&clt_ver=1.0&LogDomain=" + kStatsHost +
               "&host=h&domainIp=127.0.0.1";
    }
};

World& TheWorld() {
    static World world;
    return world;
}

void BM_StartupToLoadAndGroupList(benchmark::State& state) {
    World& world = TheWorld();
    if (!world.error.empty()) {
        state.SkipWithError(world.error.c_str());
        return;
    }
    for (auto _ : state) {
        world.beacons.clear();
        world.reports.clear();
        const auto start = Clock::now();
        ProgramProcess program(world.commandLine());
        if (!program.started()) {
            state.SkipWithError("cannot start " ORVEX_PROGRAM);
            break;
        }
        const auto deadline = start + 60s;
        auto load = world.beacons.wait("load", deadline);
        auto first = world.beacons.wait("first-answer", deadline);
        auto groups = world.beacons.wait("groups", deadline);
        if (!load || !first || !groups) {
            state.SkipWithError("the page did not load or got no group list within 60 s");
            break;
        }
        state.SetIterationTime(MillisecondsBetween(start, load->first) / 1000.0);
        state.counters["first_answer_ms"] = MillisecondsBetween(start, first->first);
        state.counters["groups_ms"] = MillisecondsBetween(start, groups->first);
        if (world.statsServed) {
            if (auto report = world.reports.wait("load", Clock::now() + 5s)) {
                state.counters["report_ms"] = MillisecondsBetween(start, report->first);
                state.counters["report_cost_ms"] = std::atof(report->second.c_str());
            }
        }

        std::this_thread::sleep_for(kIdle);
        const Memory memory = MemoryOf(program.session());
        state.counters["rss_MiB"] = memory.rssMiB;
        state.counters["pss_MiB"] = memory.pssMiB;
        state.counters["processes"] = memory.processes;

        world.studio->command("quit");
        if (!program.waitExit(15s)) {
            state.SkipWithError("the program did not end on the studio's quit");
            break;
        }
        program.end();
    }
}

double Min(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}
double Max(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
}

BENCHMARK(BM_StartupToLoadAndGroupList)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(10)
    ->ComputeStatistics("min", Min)
    ->ComputeStatistics("max", Max)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
