// A child process killed with SIGKILL at a random moment of its work, as a power cut or a kill
// would stop the program: the tests of changes that must survive that use it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <random>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace kvz::testing {

// Runs child in a child process, which calls ready() once it is set up to start its work, and
// kills it at a random moment of up to 5/4 of took after that (so that some kills fall after
// the work is done). The child ends with 1 when it throws.
inline void KillAtRandom(std::mt19937& random, std::chrono::microseconds took,
                         const std::function<void(const std::function<void()>& ready)>& child) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        try {
            child([&] {
                if (::write(ready[1], "x", 1) != 1) ::_exit(2);
            });
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    char token;
    const bool started = ::read(ready[0], &token, 1) == 1;
    if (started) std::this_thread::sleep_for(std::chrono::microseconds(random() % (took.count() * 5 / 4 + 1)));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_TRUE(started) << "the child ended before its work began";
}

} // namespace kvz::testing
