#include "stats/statistics_reports.h"

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/win32/debug_output.h"
#include "stats/statistics.h"

namespace orvex {
namespace {

enum ItemKind : int32_t { kInteger = 1, kText = 2, kRunningTimer = 4 };

struct StatisticsItem {
    int32_t kind = kInteger;
    std::string name;
    int32_t number = 0;   // kInteger
    std::string text;     // kText
    DWORD startTick = 0;  // kRunningTimer
};

struct StatisticsReport {
    std::string key;
    std::vector<StatisticsItem> items;
};

// The module's reports and common items. The report lock guards all of it: the open-report
// list for the sender-facing close, the item lists for good measure.
struct ReportState {
    std::mutex lock;
    bool initialised = false;
    int maxReports = 0;
    std::vector<StatisticsReport> reports;  // in the order opened
    std::vector<StatisticsItem> common;     // in the order first registered
};

ReportState& state() {
    static ReportState* instance = new ReportState;  // lives until the process ends
    return *instance;
}

std::string MakeKey(const char* systemName, const char* suffix) {
    return std::string(systemName) + (suffix != nullptr ? suffix : "");
}

StatisticsReport* FindReport(ReportState& s, const std::string& key) {
    for (StatisticsReport& report : s.reports) {
        if (report.key == key) {
            return &report;
        }
    }
    return nullptr;
}

// Adds the item, or replaces the item of the same name where it stands.
void PutItem(std::vector<StatisticsItem>& items, StatisticsItem item) {
    for (StatisticsItem& existing : items) {
        if (existing.name == item.name) {
            existing = std::move(item);
            return;
        }
    }
    items.push_back(std::move(item));
}

// The common checks of the item operations, then `change` on the report under the lock.
template <typename Change>
int ChangeReport(const char* systemName, const char* suffix, const char* name, bool valuePresent,
                 Change&& change) {
    ReportState& s = state();
    std::lock_guard<std::mutex> lock(s.lock);
    if (!s.initialised) {
        return STATISTICS_NOT_INITIALISED;
    }
    if (systemName == nullptr || name == nullptr || !valuePresent) {
        return STATISTICS_BAD_ARGUMENT;
    }
    StatisticsReport* report = FindReport(s, MakeKey(systemName, suffix));
    if (report == nullptr) {
        return STATISTICS_NO_REPORT;
    }
    return change(*report);
}

void AppendItemText(std::string& out, const StatisticsItem& item) {
    if (!out.empty()) {
        out += '&';
    }
    out += EncodeStatisticsText(item.name);
    out += '=';
    if (item.kind == kInteger) {
        out += std::to_string(item.number);
    } else if (item.kind == kText) {
        out += EncodeStatisticsText(item.text);
    }
    // A timer that was never stopped has nothing after the "=".
}

}  // namespace

std::string EncodeStatisticsText(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

int InitStatistics(int maxReports) {
    ReportState& s = state();
    std::lock_guard<std::mutex> lock(s.lock);
    if (!s.initialised) {
        s.initialised = true;
        s.maxReports = maxReports;
    }
    return 0;
}

int UnInitStatistics() {
    ReportState& s = state();
    {
        std::lock_guard<std::mutex> lock(s.lock);
        s.reports.clear();
        s.common.clear();
        s.initialised = false;
        s.maxReports = 0;
    }
    OutputDebugStringA("UnInitStatistics end.");
    return 0;
}

int BeginStatistics(const char* systemName, const char* suffix) {
    ReportState& s = state();
    std::lock_guard<std::mutex> lock(s.lock);
    if (!s.initialised) {
        return STATISTICS_NOT_INITIALISED;
    }
    if (systemName == nullptr) {
        return STATISTICS_BAD_ARGUMENT;
    }
    if (s.maxReports > 0 && static_cast<int>(s.reports.size()) >= s.maxReports) {
        return STATISTICS_TOO_MANY_REPORTS;
    }
    std::string key = MakeKey(systemName, suffix);
    if (FindReport(s, key) != nullptr) {
        return STATISTICS_REPORT_OPEN;
    }
    StatisticsReport report;
    report.key = std::move(key);
    StatisticsItem first;
    first.kind = kText;
    first.name = "systemName";
    first.text = systemName;
    report.items.push_back(std::move(first));
    s.reports.push_back(std::move(report));
    return STATISTICS_OK;
}

int SetStatisticsString(const char* systemName, const char* suffix, const char* name,
                        const char* value) {
    return ChangeReport(systemName, suffix, name, value != nullptr, [&](StatisticsReport& report) {
        StatisticsItem item;
        item.kind = kText;
        item.name = name;
        item.text = value;
        PutItem(report.items, std::move(item));
        return STATISTICS_OK;
    });
}

int SetStatisticsInt(const char* systemName, const char* suffix, const char* name, int32_t value) {
    return ChangeReport(systemName, suffix, name, true, [&](StatisticsReport& report) {
        StatisticsItem item;
        item.kind = kInteger;
        item.name = name;
        item.number = value;
        PutItem(report.items, std::move(item));
        return STATISTICS_OK;
    });
}

int StartStatisticsTimer(const char* systemName, const char* suffix, const char* name) {
    return ChangeReport(systemName, suffix, name, true, [&](StatisticsReport& report) {
        StatisticsItem item;
        item.kind = kRunningTimer;
        item.name = name;
        item.startTick = GetTickCount();
        PutItem(report.items, std::move(item));
        return STATISTICS_OK;
    });
}

int StopStatisticsTimer(const char* systemName, const char* suffix, const char* name) {
    return ChangeReport(systemName, suffix, name, true, [&](StatisticsReport& report) {
        for (StatisticsItem& item : report.items) {
            if (item.name != name) {
                continue;
            }
            if (item.kind == kRunningTimer) {
                item.kind = kInteger;
                item.number = static_cast<int32_t>(GetTickCount() - item.startTick);
            }
            return static_cast<int>(STATISTICS_OK);
        }
        return static_cast<int>(STATISTICS_NO_ITEM);
    });
}

namespace {

// Adds a common item, or replaces the one of that name where it stands.
void PutCommonItem(StatisticsItem item) {
    ReportState& s = state();
    std::lock_guard<std::mutex> lock(s.lock);
    PutItem(s.common, std::move(item));
}

}  // namespace

void SetCommonStatisticsString(const char* name, const char* value) {
    if (name == nullptr || value == nullptr) {
        return;
    }
    StatisticsItem item;
    item.kind = kText;
    item.name = name;
    item.text = value;
    PutCommonItem(std::move(item));
}

void SetCommonStatisticsInt(const char* name, int32_t value) {
    if (name == nullptr) {
        return;
    }
    StatisticsItem item;
    item.kind = kInteger;
    item.name = name;
    item.number = value;
    PutCommonItem(std::move(item));
}

bool CloseStatisticsReport(const char* systemName, const char* suffix, std::string& text) {
    ReportState& s = state();
    std::lock_guard<std::mutex> lock(s.lock);
    if (!s.initialised || systemName == nullptr) {
        return false;
    }
    std::string key = MakeKey(systemName, suffix);
    for (auto it = s.reports.begin(); it != s.reports.end(); ++it) {
        if (it->key != key) {
            continue;
        }
        std::vector<StatisticsItem> items = std::move(it->items);
        s.reports.erase(it);
        text.clear();
        for (const StatisticsItem& item : items) {
            AppendItemText(text, item);
        }
        for (const StatisticsItem& item : s.common) {
            AppendItemText(text, item);
        }
        return true;
    }
    return false;
}

}  // namespace orvex
