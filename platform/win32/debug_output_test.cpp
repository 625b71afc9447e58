#include "platform/win32/debug_output.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace orvex {
namespace {

TEST(DebugOutput, ReachesOnlyAnAttachedReader) {
    OutputDebugStringA("before attach\n");  // no reader: goes nowhere
    std::string seen;
    AttachDebugOutputReader([&](const char* text) { seen += text; });
    OutputDebugStringA("recv ");
    OutputDebugStringA("line\n");
    OutputDebugStringA(nullptr);
    AttachDebugOutputReader(nullptr);
    OutputDebugStringA("after detach\n");
    EXPECT_EQ(seen, "recv line\n");
}

TEST(DebugOutput, TickCountAdvancesInMilliseconds) {
    DWORD a = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    DWORD b = GetTickCount();
    EXPECT_GE(b - a, 25u);
    EXPECT_LT(b - a, 5000u);
}

}  // namespace
}  // namespace orvex
