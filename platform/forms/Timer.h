// Timers over QTimer. Tests drive every timer from a manual clock instead (TManualTimers), so
// that a repeat or a delay is checked without waiting.
#pragma once

#include "platform/forms/Controls.h"

#include <memory>

class QTimer;

namespace kvz {

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    // Milliseconds; 0 stops the timer.
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    TNotifyEvent OnTimer;

private:
    friend class TManualTimers;
    void Restart();
    void Tick();
    bool enabled_ = true;
    unsigned interval_ = 1000;
    std::unique_ptr<QTimer> timer_;
    long long due_ = 0; // under the manual clock
};

// While one exists, timers do not run by themselves: Advance moves the time on and fires
// the timers that fall due, in order, each as often as its interval fits.
class TManualTimers {
public:
    TManualTimers();
    ~TManualTimers();
    TManualTimers(const TManualTimers&) = delete;
    TManualTimers& operator=(const TManualTimers&) = delete;
    void Advance(unsigned ms);
    long long Now() const { return now_; }

private:
    long long now_ = 0;
};

} // namespace kvz
