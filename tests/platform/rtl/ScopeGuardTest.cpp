#include "platform/rtl/ScopeGuard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace kvz {
namespace {

// What each guard does when its scope ends normally, by an exception, or after Dismiss.
TEST(ScopeGuard, RestoresOnEveryPathAndRollsBackOnlyOnAFailure) {
    enum class End { Normal, Thrown, Dismissed };
    const struct {
        End How;
        std::string Log; // "r": the restore ran, "f": the rollback ran
    } cases[] = {{End::Normal, "r"}, {End::Thrown, "fr"}, {End::Dismissed, ""}};
    for (const auto& c : cases) {
        std::string log;
        try {
            auto restore = OnScopeExit([&] { log += "r"; });
            auto rollback = OnScopeFail([&] { log += "f"; });
            if (c.How == End::Dismissed) {
                restore.Dismiss();
                rollback.Dismiss();
            }
            if (c.How == End::Thrown) throw std::runtime_error("disk full");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(log, c.Log) << static_cast<int>(c.How);
    }
}

// A guard made while another exception unwinds (in a destructor) rolls back only for its own.
TEST(ScopeGuard, AFailureGuardMadeDuringUnwindingIgnoresTheOuterException) {
    std::string log;
    struct Cleanup {
        std::string& log;
        ~Cleanup() {
            auto rollback = OnScopeFail([&] { log += "f"; });
            log += "c";
        }
    };
    try {
        Cleanup cleanup{log};
        throw std::runtime_error("outer");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(log, "c");
}

} // namespace
} // namespace kvz
