// The capture threads ask to run ahead of busy programs.
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/core/linux/ThreadPriority.h"

namespace platform {
namespace {

TEST(ThreadPriorityTest, RaisesOnlyTheCallingThreadOrSaysItCouldNot) {
    const int before = getpriority(PRIO_PROCESS, 0);
    std::string said;
    int raised = 0;
    std::thread worker([&] {
        said = favourThisThread(before - 3);
        raised = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    });
    worker.join();
    if (said.rfind("runs at nice", 0) == 0) {
        EXPECT_EQ(raised, before - 3) << said;
    } else {
        EXPECT_EQ(said, "runs at normal priority (raising it is not allowed)");
        EXPECT_EQ(raised, before);
    }
    // The thread that asked, not the process.
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))), before);
}

}  // namespace
}  // namespace platform
