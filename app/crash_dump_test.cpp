#include "app/crash_dump.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/win32/process_info.h"

namespace orvex {
namespace {

namespace fs = std::filesystem;

// A real invalid memory access (the sanitizer builds would stop at a plain null store first).
__attribute__((no_sanitize("undefined"), noinline)) void WriteThroughNull(volatile int* p) {
    *p = 1;
}

TEST(CrashDump, FileNameHasNoLeadingZeros) {
    char name[1284];
    FormatDumpFileName(name, "/opt/orvex", {2026, 3, 4, 9, 5, 3});
    EXPECT_STREQ(name, "/opt/orvex/orvex_cloud_2026_3_4_9_5_3.dmp");
    FormatDumpFileName(name, "", {1999, 12, 31, 23, 59, 59});
    EXPECT_STREQ(name, "/orvex_cloud_1999_12_31_23_59_59.dmp");
    // An overlong folder is cut, never written past the buffer.
    std::string folder(2000, 'f');
    FormatDumpFileName(name, folder.c_str(), {2026, 1, 1, 0, 0, 0});
    EXPECT_EQ(std::string(name).size(), 1283u);
}

TEST(CrashDump, AFatalSignalLeavesTheDumpBesideTheExecutable) {
    char exe[260];
    ASSERT_GT(GetModuleFileNameA(nullptr, exe, sizeof exe), 0u);
    fs::path folder = fs::path(exe).parent_path();
    auto dumps = [&] {
        std::set<fs::path> found;
        for (const auto& entry : fs::directory_iterator(folder)) {
            std::string n = entry.path().filename().string();
            if (n.rfind("orvex_cloud_", 0) == 0 && entry.path().extension() == ".dmp") {
                found.insert(entry.path());
            }
        }
        return found;
    };
    auto before = dumps();
    time_t start = time(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SetUnhandledExceptionFilter(OrvexCloudDump);
        WriteThroughNull(nullptr);  // SIGSEGV
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    time_t end = time(nullptr);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    std::set<fs::path> created;
    for (const auto& p : dumps()) {
        if (!before.count(p))
            created.insert(p);
    }
    ASSERT_EQ(created.size(), 1u);
    fs::path dump = *created.begin();
    // The name is one of the seconds the crash could have happened in: the signal-safe local
    // time agrees with the library's.
    bool matched = false;
    for (time_t t = start; t <= end; ++t) {
        struct tm l {};
        localtime_r(&t, &l);
        std::ostringstream expected;
        expected << "orvex_cloud_" << l.tm_year + 1900 << "_" << l.tm_mon + 1 << "_" << l.tm_mday
                 << "_" << l.tm_hour << "_" << l.tm_min << "_" << l.tm_sec << ".dmp";
        matched = matched || dump.filename() == expected.str();
    }
    EXPECT_TRUE(matched) << dump;
    std::ifstream in(dump);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_NE(content.str().find("signal 11 (SEGV)"), std::string::npos);
    EXPECT_NE(content.str().find("address 0x0"), std::string::npos);
    EXPECT_NE(content.str().find("rip 0x"), std::string::npos);
    EXPECT_NE(content.str().find("memory map"), std::string::npos);
    EXPECT_NE(content.str().find("crash_dump_test"), std::string::npos);  // in the map
    EXPECT_EQ(fs::status(dump).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write)
        << "the dump holds the process's memory: the user's only";
    fs::remove(dump);
}

// A folder that cannot take the dump (an installed program's, or one gone): the dump goes to the
// fallback folder, which is made, the user's only, when missing.
TEST(CrashDump, AFolderThatCannotTakeTheDumpFallsBackToTheStateFolder) {
    const fs::path root = fs::path(::testing::TempDir()) / ("dump_" + std::to_string(getpid()));
    const fs::path fallback = root / "state" / "orvex-cloud-config";
    EXPECT_TRUE(WriteDumpFile((root / "missing").c_str(), fallback.c_str(), {2026, 1, 2, 3, 4, 5},
                              nullptr));
    const fs::path dump = fallback / "orvex_cloud_2026_1_2_3_4_5.dmp";
    ASSERT_TRUE(fs::exists(dump));
    EXPECT_EQ(fs::status(fallback).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(dump).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(WriteDumpFile((root / "missing").c_str(), "", {2026, 1, 2, 3, 4, 5}, nullptr));
    fs::remove_all(root);
}

}  // namespace
}  // namespace orvex
