#include "tools/lab/lab_runtime.h"

#include <condition_variable>
#include <iostream>
#include <mutex>
#include <thread>

#include "platform/posix/stop_signals.h"

namespace orvex::lab {
namespace {

struct StopState {
    std::mutex mutex;
    std::condition_variable wake;
    bool requested = false;
};

// How long the signal thread waits at a time; it waits again until a signal comes.
constexpr int kStopWaitMs = 60000;

using CommandHandler = std::function<void(const std::string& line)>;

struct Diversion {
    std::mutex mutex;
    std::function<void(CommandHandler)> take;
};

Diversion& diversion() {
    static Diversion* instance = new Diversion;  // lives until the process ends
    return *instance;
}

StopState& stopState() {
    static StopState* instance = new StopState;  // lives until the process ends
    return *instance;
}

}  // namespace

void PrepareStopSignals() {
    BlockStopSignals();
    // One thread takes the blocked signals and turns them into a stop request.
    std::thread([] {
        while (!WaitStopSignal(kStopWaitMs)) {
        }
        RequestStop();
    }).detach();
}

void DivertCommandReaders(std::function<void(CommandHandler)> take) {
    Diversion& d = diversion();
    std::lock_guard<std::mutex> lock(d.mutex);
    d.take = std::move(take);
}

void StartCommandReader(std::function<void(const std::string& line)> handle,
                        bool stopAtEndOfInput) {
    std::function<void(CommandHandler)> take;
    {
        Diversion& d = diversion();
        std::lock_guard<std::mutex> lock(d.mutex);
        take = d.take;
    }
    if (take) {
        take(std::move(handle));
        return;
    }
    std::thread([handle = std::move(handle), stopAtEndOfInput] {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line == "exit") {
                RequestStop();
                return;
            }
            if (!line.empty()) {
                handle(line);
            }
        }
        if (stopAtEndOfInput) {
            RequestStop();
        }
    }).detach();
}

void RequestStop() {
    StopState& s = stopState();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.requested = true;
    s.wake.notify_all();
}

void WaitForStop() {
    StopState& s = stopState();
    std::unique_lock<std::mutex> lock(s.mutex);
    s.wake.wait(lock, [&] { return s.requested; });
}

void SplitCommand(const std::string& line, std::string& word, std::string& rest) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) {
        word.clear();
        rest.clear();
        return;
    }
    size_t end = line.find_first_of(" \t", start);
    word = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    size_t next = end == std::string::npos ? std::string::npos : line.find_first_not_of(" \t", end);
    rest = next == std::string::npos ? std::string() : line.substr(next);
}

}  // namespace orvex::lab
