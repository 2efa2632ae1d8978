#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

namespace tonalyx::cli {

// The text of one progress line: the label, then a bar with the percentage for a known
// fraction (0 .. 1), or the seconds spent for work whose share done is unknown (a negative
// fraction).
std::string ProgressLine(const std::string& label, double fraction, double seconds);

// A progress line on a terminal, redrawn in place by a thread of its own, so that work without
// progress reports (the pitch track) still shows that it runs. Nothing is drawn when disabled
// (the stream is not a terminal) or before the stage has run for longer than the delay, so
// short work leaves no trace.
class ProgressBar {
public:
    ProgressBar(std::ostream& terminal, bool enabled,
                std::chrono::milliseconds delay = std::chrono::milliseconds(400));
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // With several files, every label begins "file 3 of 120: "; with one, nothing is added.
    void SetFile(int number, int count);
    // A new stage: the label shown and an unknown fraction done.
    void Start(const std::string& label);
    // The share of the stage done, 0 .. 1; may be called from any thread, and often.
    void Update(double fraction);
    // The label of the current stage, as it is drawn.
    std::string Label();
    // Removes the line, if one was drawn; the terminal is then free for messages.
    void Finish();

private:
    void Run();
    void Draw();

    std::ostream& terminal_;
    const bool enabled_;
    const std::chrono::milliseconds delay_;
    std::atomic<double> fraction_{-1.0};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string label_;
    std::string filePrefix_;
    bool active_ = false;
    bool stopping_ = false;
    std::size_t drawnLength_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::thread drawer_;
};

}  // namespace tonalyx::cli
