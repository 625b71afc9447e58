// CefCommandLine: a process command line as the browser library parses it: the program, switches
// ("--name" or "--name=value", names without leading dashes and in lower case) and arguments.
#pragma once

#include <map>
#include <vector>

#include "platform/cef/cef_base.h"

class CefCommandLine : public virtual CefBaseRefCounted {
  public:
    using SwitchMap = std::map<CefString, CefString>;
    using ArgumentList = std::vector<CefString>;

    // A new, empty command line. Any thread.
    static CefRefPtr<CefCommandLine> CreateCommandLine();

    // Fills it from argv (argv[0] is the program). Not thread-safe per object.
    void InitFromArgv(int argc, const char* const* argv);
    // Fills it from one command-line text, split at white space outside double quotes.
    void InitFromString(const CefString& commandLine);
    void Reset();

    CefString GetProgram() const { return program_; }
    void SetProgram(const CefString& program) { program_ = program; }
    // Switch names may be given with or without leading dashes, in any case.
    bool HasSwitches() const { return !switches_.empty(); }
    bool HasSwitch(const CefString& name) const;
    CefString GetSwitchValue(const CefString& name) const;
    void GetSwitches(SwitchMap& switches) const { switches = switches_; }
    // Adds or replaces a switch; the order of first appearance is kept.
    void AppendSwitch(const CefString& name);
    void AppendSwitchWithValue(const CefString& name, const CefString& value);
    bool HasArguments() const { return !arguments_.empty(); }
    void GetArguments(ArgumentList& arguments) const { arguments = arguments_; }
    void AppendArgument(const CefString& argument) { arguments_.push_back(argument); }
    // The program, the switches in order as "--name" or "--name=value", then the arguments.
    void GetArgv(std::vector<CefString>& argv) const;
    CefString GetCommandLineString() const;

    // The switch name as stored: leading dashes removed, lower case.
    static CefString NormalizeSwitchName(const CefString& name);

  private:
    void addToken(const std::string& token, bool& switchesEnded);

    CefString program_;
    SwitchMap switches_;
    std::vector<CefString> switchOrder_;
    ArgumentList arguments_;

    IMPLEMENT_REFCOUNTING(CefCommandLine);
};
