// A lab role's life: commands read from standard input on a thread of their own, and the
// wait until "exit", end of input with --exit-on-eof, or SIGINT/SIGTERM.
#pragma once

#include <functional>
#include <string>

namespace orvex::lab {

// Blocks SIGINT and SIGTERM in the calling thread and every thread it starts afterwards, so
// that WaitForStop receives them. Call first thing in a role, before starting threads.
void PrepareStopSignals();

// Reads standard input line by line on a detached thread and hands each non-empty line to
// `handle` (on that thread). "exit" requests the stop itself; so does the end of input when
// `stopAtEndOfInput` is set (otherwise the role keeps running without commands).
void StartCommandReader(std::function<void(const std::string& line)> handle, bool stopAtEndOfInput);

// For a role that runs other roles in its own process (the world): from now on
// StartCommandReader reads nothing; it hands each handler to `take` on the calling thread, and
// the caller passes commands on. Any thread, before the other roles start.
void DivertCommandReaders(std::function<void(std::function<void(const std::string& line)>)> take);

// Asks the role to stop. Any thread.
void RequestStop();

// Returns once a stop was requested or SIGINT/SIGTERM arrived. The role's main thread.
void WaitForStop();

// Splits a command line at blanks: the first word, and the rest with its leading blanks
// removed.
void SplitCommand(const std::string& line, std::string& word, std::string& rest);

}  // namespace orvex::lab
