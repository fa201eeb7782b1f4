// The current time, from an injectable clock so that tests can fix "today".
#pragma once

#include "platform/rtl/DateTime.h"

namespace kvz {

class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time.
    virtual TDateTime Now() const = 0;
};

class FixedClock : public Clock {
public:
    explicit FixedClock(TDateTime now) : now_(now) {}
    TDateTime Now() const override { return now_; }
    void Set(TDateTime now) { now_ = now; }
    void Advance(TDateTime days) { now_ += days; }

private:
    TDateTime now_;
};

// The clock in use; the system clock unless one was installed.
const Clock& CurrentClock();
// Installs a clock (nullptr restores the system clock).
void SetClock(const Clock* clock);

TDateTime Now();
TDateTime Today();

// Installs a clock for the life of a scope.
class ScopedClock {
public:
    explicit ScopedClock(const Clock& clock) { SetClock(&clock); }
    ~ScopedClock() { SetClock(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

} // namespace kvz
