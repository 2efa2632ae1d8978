#pragma once

// Keeps the CPU time per iteration of every benchmark, keyed by its name and first argument (0
// without one), so that a program can print its figures next to a reference measured in the
// same run. When repetitions are asked for, the median is kept.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tonalyx::bench {

class TimingReporter : public benchmark::ConsoleReporter {
public:
    explicit TimingReporter(benchmark::TimeUnit unit) : unit_(unit) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const Key key{run.run_name.function_name,
                          run.run_name.args.empty() ? 0 : std::stoi(run.run_name.args)};
            if (median || (run.run_type == Run::RT_Iteration && !fromMedian_.count(key))) {
                times_[key] = run.GetAdjustedCPUTime() * benchmark::GetTimeUnitMultiplier(unit_) /
                              benchmark::GetTimeUnitMultiplier(run.time_unit);
                if (median) fromMedian_[key] = true;
            }
        }
    }

    // The time in the reporter's unit; 0 when the benchmark did not run.
    double Time(const std::string& name, int arg) const {
        const auto found = times_.find({name, arg});
        return found == times_.end() ? 0.0 : found->second;
    }

private:
    using Key = std::pair<std::string, int>;
    benchmark::TimeUnit unit_;
    std::map<Key, double> times_;
    std::map<Key, bool> fromMedian_;
};

}  // namespace tonalyx::bench
