#include "support/newest_job.h"

#include <gtest/gtest.h>

#include <future>
#include <string>

namespace orvex {
namespace {

// While a job runs, later posts never wait, and only the newest of them runs after it.
TEST(NewestJob, AJobPostedWhileAnotherWaitsReplacesIt) {
    NewestJob jobs;
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    std::promise<void> started;
    std::string ran;
    jobs.post([&] {
        started.set_value();
        gate.wait();
        ran += "1";
    });
    started.get_future().wait();
    for (const char* name : {"2", "3", "4"}) {
        jobs.post([&ran, name] { ran += name; });
    }
    release.set_value();
    jobs.wait();
    EXPECT_EQ(ran, "14");
    jobs.post([&] { ran += "5"; });
    jobs.wait();
    EXPECT_EQ(ran, "145");
}

}  // namespace
}  // namespace orvex
