// Restoring on every path: a cursor, a disabled control, a flag, a dialog's limit. The guard runs
// its function when the scope ends, however it ends; the failure guard only when an exception
// leaves the scope (a rollback). Either may be dismissed once the work is done.
#pragma once

#include <exception>
#include <utility>

namespace kvz {

template <class F>
class ScopeGuard {
public:
    explicit ScopeGuard(F f) : f_(std::move(f)) {}
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
    // Runs the function; it must not throw, as it may run while an exception unwinds.
    ~ScopeGuard() {
        if (active_) f_();
    }
    void Dismiss() { active_ = false; }

private:
    F f_;
    bool active_ = true;
};

template <class F>
class ScopeFailGuard {
public:
    explicit ScopeFailGuard(F f) : f_(std::move(f)) {}
    ScopeFailGuard(const ScopeFailGuard&) = delete;
    ScopeFailGuard& operator=(const ScopeFailGuard&) = delete;
    ~ScopeFailGuard() {
        if (active_ && std::uncaught_exceptions() > exceptions_) f_();
    }
    void Dismiss() { active_ = false; }

private:
    F f_;
    int exceptions_ = std::uncaught_exceptions();
    bool active_ = true;
};

// auto restore = OnScopeExit([&] { Screen().SetCursor(crDefault); });
template <class F>
[[nodiscard]] ScopeGuard<F> OnScopeExit(F f) {
    return ScopeGuard<F>(std::move(f));
}

// auto rollback = OnScopeFail([&] { table.CancelChanges(); });
template <class F>
[[nodiscard]] ScopeFailGuard<F> OnScopeFail(F f) {
    return ScopeFailGuard<F>(std::move(f));
}

} // namespace kvz
