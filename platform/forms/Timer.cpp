#include "platform/forms/Timer.h"

#include <QTimer>

#include <algorithm>
#include <vector>

namespace kvz {

namespace {
TManualTimers* manual = nullptr;
std::vector<TTimer*>& AllTimers() {
    static std::vector<TTimer*> timers;
    return timers;
}
} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner), timer_(std::make_unique<QTimer>()) {
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { Tick(); });
    AllTimers().push_back(this);
    Restart();
}

TTimer::~TTimer() {
    auto& all = AllTimers();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void TTimer::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    Restart();
}

void TTimer::SetInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Restart();
}

void TTimer::Restart() {
    timer_->stop();
    bool running = enabled_ && interval_ > 0;
    if (manual) {
        due_ = manual->Now() + interval_;
        return;
    }
    if (running) timer_->start(int(interval_));
}

void TTimer::Tick() {
    if (!enabled_ || interval_ == 0) return;
    Guarded([&] {
        if (OnTimer) OnTimer(this);
    });
}

TManualTimers::TManualTimers() {
    manual = this;
    for (TTimer* t : AllTimers()) t->Restart();
}

TManualTimers::~TManualTimers() {
    manual = nullptr;
    for (TTimer* t : AllTimers()) t->Restart();
}

void TManualTimers::Advance(unsigned ms) {
    const long long end = now_ + ms;
    for (;;) {
        // The next timer to fall due; a handler may change any timer, so look again each time.
        TTimer* next = nullptr;
        for (TTimer* t : AllTimers())
            if (t->enabled_ && t->interval_ > 0 && t->due_ <= end && (!next || t->due_ < next->due_)) next = t;
        if (!next) break;
        now_ = next->due_;
        next->due_ = now_ + next->interval_;
        next->Tick();
    }
    now_ = end;
}

} // namespace kvz
