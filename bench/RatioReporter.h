// A console reporter that prints, after the table, how each benchmark compares with its
// reference: pairs of names, each with the argument they share.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace kvz::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Pair {
        std::string measured, reference, label;
        double aim; // the measured time should stay within aim times the reference
    };
    explicit RatioReporter(std::vector<Pair> pairs) : pairs_(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    void PrintRatios() const {
        for (const Pair& p : pairs_) {
            auto m = times_.find(p.measured), r = times_.find(p.reference);
            if (m == times_.end() || r == times_.end() || r->second <= 0) continue;
            std::printf("%-40s %10.3f vs %10.3f  x%.2f (aim <= %.1f)\n", p.label.c_str(), m->second, r->second,
                        m->second / r->second, p.aim);
        }
    }

private:
    std::vector<Pair> pairs_;
    std::map<std::string, double> times_;
};

} // namespace kvz::bench
