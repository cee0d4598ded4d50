#include "platform/core/linux/ThreadName.h"

#include <pthread.h>

namespace platform {

void nameThisThread(const std::string& name) {
    constexpr std::size_t kLongest = 15;  // the kernel's limit, without the terminator
    pthread_setname_np(pthread_self(), name.substr(0, kLongest).c_str());
}

}  // namespace platform
