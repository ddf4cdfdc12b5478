#include "search/time_control.h"

#include <sys/time.h>

namespace tolvaren {

int64_t nowMillis() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return static_cast<int64_t>(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
}

}  // namespace tolvaren
