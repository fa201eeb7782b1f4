#include "platform/rtl/Clock.h"

#include <cmath>
#include <ctime>
#include <sys/time.h>

namespace kvz {

namespace {

class SystemClock : public Clock {
public:
    TDateTime Now() const override {
        timeval tv{};
        gettimeofday(&tv, nullptr);
        std::tm tm{};
        time_t secs = tv.tv_sec;
        localtime_r(&secs, &tm);
        TDateTime date = EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
        TDateTime time = EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec == 60 ? 59 : tm.tm_sec,
                                    static_cast<int>(tv.tv_usec / 1000));
        return date + time;
    }
};

const SystemClock gSystemClock;
const Clock* gClock = nullptr;

} // namespace

const Clock& CurrentClock() { return gClock ? *gClock : gSystemClock; }
void SetClock(const Clock* clock) { gClock = clock; }
TDateTime Now() { return CurrentClock().Now(); }
TDateTime Today() { return std::floor(Now()); }

} // namespace kvz
