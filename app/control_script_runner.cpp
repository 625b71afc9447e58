#include "app/control_script_runner.h"

#include "cef3/control/cef_common.h"

void ControlScriptRunner::RunScript(const std::string& script) {
    if (control != nullptr) {
        control->RunScript(script);
    }
}
