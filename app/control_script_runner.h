// ControlScriptRunner: the browser control as the application's script runner, so that the
// browser layer needs no application interface.
#pragma once

#include <string>

#include "app/script_runner.h"

class CCefCommonUI;

// Runs the core's answer scripts in `control` (null: dropped). The control is set on the GUI
// thread before the runner is attached; RunScript, any thread.
class ControlScriptRunner final : public orvex::ScriptRunner {
  public:
    CCefCommonUI* control = nullptr;
    void RunScript(const std::string& script) override;
};
