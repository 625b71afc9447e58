// LabProcess: runs orvex-lab as a child process for tests, writes commands to its standard
// input and waits for the JSON events it prints.
#pragma once

#include <fcntl.h>
#include <json/json.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/json_text.h"

extern char** environ;

namespace orvex::testing {

class LabProcess {
  public:
    // Starts the lab found through ORVEX_LAB (set by the build for the lab's tests).
    explicit LabProcess(const std::vector<std::string>& args) {
        ::signal(SIGPIPE, SIG_IGN);  // a lab that died must fail the test, not end it
        const char* program = std::getenv("ORVEX_LAB");
        if (program == nullptr) {
            return;
        }
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], 0);
        posix_spawn_file_actions_adddup2(&actions, output[1], 1);
        std::vector<std::string> argv_text{program};
        argv_text.insert(argv_text.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : argv_text) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program, &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(input[0]);
        ::close(output[1]);
        stdin_ = input[1];
        stdout_ = output[0];
    }

    // Asks the lab to exit, and kills it when it does not within two seconds.
    ~LabProcess() {
        if (pid_ > 0) {
            command("exit");
            if (waitExit(std::chrono::seconds(2)) < 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
            }
        }
        if (stdin_ >= 0) {
            ::close(stdin_);
        }
        if (stdout_ >= 0) {
            ::close(stdout_);
        }
    }
    LabProcess(const LabProcess&) = delete;
    LabProcess& operator=(const LabProcess&) = delete;

    bool started() const { return pid_ > 0; }

    // Writes one command line to the lab's standard input.
    void command(const std::string& line) {
        std::string text = line + "\n";
        if (stdin_ >= 0) {
            [[maybe_unused]] ssize_t written = ::write(stdin_, text.data(), text.size());
        }
    }

    // The first printed event named `name` (and accepted by `match`) that no earlier call
    // returned, in the order printed; nothing after `limit`. Events of other names stay
    // available to later calls, so the order of unrelated events does not matter.
    std::optional<Json::Value> waitEvent(
        const std::string& name, std::chrono::milliseconds limit = std::chrono::seconds(10),
        const std::function<bool(const Json::Value&)>& match = nullptr) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        for (size_t next = 0;; ++next) {
            while (next >= pending_.size()) {
                std::optional<std::string> line = nextLine(deadline);
                if (!line) {
                    return std::nullopt;
                }
                lines_.push_back(*line);
                Json::Value event;
                if (ParseJson(*line, event) && event.isObject()) {
                    pending_.push_back(event);
                }
            }
            const Json::Value& event = pending_[next];
            if (event["event"] == name && (!match || match(event))) {
                Json::Value found = event;
                pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(next));
                return found;
            }
        }
    }

    // Every line read so far (also those skipped by waitEvent).
    const std::vector<std::string>& lines() const { return lines_; }

    // The exit status once the lab has ended within `limit`; -1 otherwise.
    int waitExit(std::chrono::milliseconds limit) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        do {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            ::usleep(10000);
        } while (std::chrono::steady_clock::now() < deadline);
        return -1;
    }

  private:
    std::optional<std::string> nextLine(std::chrono::steady_clock::time_point deadline) {
        for (;;) {
            size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd waiter{stdout_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&waiter, 1, static_cast<int>(left.count())) <= 0) {
                return std::nullopt;
            }
            char chunk[4096];
            ssize_t got = ::read(stdout_, chunk, sizeof chunk);
            if (got <= 0) {
                return std::nullopt;
            }
            buffer_.append(chunk, static_cast<size_t>(got));
        }
    }

    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    std::string buffer_;
    std::vector<std::string> lines_;
    std::vector<Json::Value> pending_;  // printed events not yet returned
};

}  // namespace orvex::testing
