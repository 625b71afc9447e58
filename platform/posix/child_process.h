// ChildProcess: a program started in a process group of its own, so that it and everything it
// starts can be ended together, and that ends with its parent.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace orvex {

// The owning thread only.
class ChildProcess {
  public:
    ChildProcess() = default;
    // Kills the group when the child was started and has not been waited for.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` (a path) with `args` (argv[1]...), the environment of this process plus
    // `environment` ("NAME=value", replacing a variable of that name), SIGINT and SIGTERM
    // unblocked, in a new process group, with SIGKILL sent to it when this process dies. False,
    // with `error`, when it could not be started.
    bool start(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment, std::string& error);

    pid_t pid() const { return pid_; }
    // The exit status once the child has ended (128 + signal when a signal ended it); nothing
    // while it runs. Waits at most `timeoutMs` (0: only looks).
    std::optional<int> wait(int timeoutMs);
    // Sends `signal` to the child's whole process group (what it started too); the group
    // outlives the child while any member is left, so this also reaches stragglers.
    void signalGroup(int signal) const;

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

}  // namespace orvex
