// ScriptRunner: what runs a script in the page's main frame; the application writes its answers
// through it, and the window adapts the browser control to it.
#pragma once

#include <string>

namespace orvex {

class ScriptRunner {
  public:
    virtual ~ScriptRunner() = default;
    // Runs a UTF-8 script in the main frame without waiting for it; dropped when there is no
    // page. Safe to call from any thread.
    virtual void RunScript(const std::string& script) = 0;
};

}  // namespace orvex
