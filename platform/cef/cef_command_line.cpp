#include "platform/cef/cef_command_line.h"

#include <algorithm>

CefRefPtr<CefCommandLine> CefCommandLine::CreateCommandLine() {
    return new CefCommandLine();
}

CefString CefCommandLine::NormalizeSwitchName(const CefString& name) {
    std::u16string text = name.ToString16();
    size_t start = 0;
    while (start < text.size() && start < 2 && text[start] == u'-') {
        ++start;
    }
    text.erase(0, start);
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return CefString(text);
}

void CefCommandLine::Reset() {
    program_.clear();
    switches_.clear();
    switchOrder_.clear();
    arguments_.clear();
}

void CefCommandLine::addToken(const std::string& token, bool& switchesEnded) {
    if (!switchesEnded && token == "--") {
        switchesEnded = true;
        return;
    }
    if (!switchesEnded && token.size() > 1 && token[0] == '-') {
        size_t equals = token.find('=');
        if (equals == std::string::npos) {
            AppendSwitch(CefString(token));
        } else {
            AppendSwitchWithValue(CefString(token.substr(0, equals)),
                                  CefString(token.substr(equals + 1)));
        }
        return;
    }
    arguments_.push_back(CefString(token));
}

void CefCommandLine::InitFromArgv(int argc, const char* const* argv) {
    Reset();
    if (argc <= 0 || argv == nullptr) {
        return;
    }
    program_ = CefString(argv[0] != nullptr ? argv[0] : "");
    bool switchesEnded = false;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != nullptr) {
            addToken(argv[i], switchesEnded);
        }
    }
}

void CefCommandLine::InitFromString(const CefString& commandLine) {
    Reset();
    std::string text = commandLine.ToString();
    std::vector<std::string> tokens;
    std::string current;
    bool quoted = false;
    bool inToken = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inToken) {
                tokens.push_back(current);
                current.clear();
                inToken = false;
            }
        } else {
            current.push_back(c);
            inToken = true;
        }
    }
    if (inToken) {
        tokens.push_back(current);
    }
    if (tokens.empty()) {
        return;
    }
    program_ = CefString(tokens[0]);
    bool switchesEnded = false;
    for (size_t i = 1; i < tokens.size(); ++i) {
        addToken(tokens[i], switchesEnded);
    }
}

bool CefCommandLine::HasSwitch(const CefString& name) const {
    return switches_.count(NormalizeSwitchName(name)) != 0;
}

CefString CefCommandLine::GetSwitchValue(const CefString& name) const {
    auto it = switches_.find(NormalizeSwitchName(name));
    return it == switches_.end() ? CefString() : it->second;
}

void CefCommandLine::AppendSwitch(const CefString& name) {
    AppendSwitchWithValue(name, CefString());
}

void CefCommandLine::AppendSwitchWithValue(const CefString& name, const CefString& value) {
    CefString key = NormalizeSwitchName(name);
    if (key.empty()) {
        return;
    }
    if (switches_.count(key) == 0) {
        switchOrder_.push_back(key);
    }
    switches_[key] = value;
}

void CefCommandLine::GetArgv(std::vector<CefString>& argv) const {
    argv.clear();
    argv.push_back(program_);
    for (const CefString& key : switchOrder_) {
        const CefString& value = switches_.at(key);
        std::u16string item = u"--" + key.ToString16();
        if (!value.empty()) {
            item += u"=" + value.ToString16();
        }
        argv.push_back(CefString(item));
    }
    for (const CefString& argument : arguments_) {
        argv.push_back(argument);
    }
}

CefString CefCommandLine::GetCommandLineString() const {
    std::vector<CefString> argv;
    GetArgv(argv);
    std::u16string text;
    for (const CefString& item : argv) {
        if (!text.empty()) {
            text += u' ';
        }
        bool quote = item.ToString16().find(u' ') != std::u16string::npos;
        text += quote ? u"\"" + item.ToString16() + u"\"" : item.ToString16();
    }
    return CefString(text);
}
