#include "FakePorts.h"

namespace romshelf::test {

void FakeClock::advance(int ms) {
    const std::int64_t end = now + ms;
    for (;;) {
        auto next = due.end();
        for (auto it = due.begin(); it != due.end(); ++it)
            if (it->first <= end && (next == due.end() || it->first < next->first)) next = it;
        if (next == due.end()) break;
        now = next->first;
        auto run = std::move(next->second);
        due.erase(next);
        run();
    }
    now = end;
}

}  // namespace romshelf::test
