#include "cli/ProgressBar.h"

#include <algorithm>
#include <cstdio>

namespace tonalyx::cli {

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

std::string ProgressLine(const std::string& label, double fraction, double seconds) {
    char text[64];
    if (fraction < 0) {
        std::snprintf(text, sizeof text, " ... %.1f s", seconds);
        return label + text;
    }
    const double done = std::clamp(fraction, 0.0, 1.0);
    const int filled = static_cast<int>(done * kBarWidth);
    std::snprintf(text, sizeof text, "] %3d%%", static_cast<int>(done * 100));
    return label + " [" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + text;
}

ProgressBar::ProgressBar(std::ostream& terminal, bool enabled, std::chrono::milliseconds delay)
    : terminal_(terminal), enabled_(enabled), delay_(delay) {
    if (enabled_) drawer_ = std::thread([this] { Run(); });
}

ProgressBar::~ProgressBar() {
    if (!enabled_) return;
    Finish();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    drawer_.join();
}

void ProgressBar::SetFile(int number, int count) {
    std::lock_guard lock(mutex_);
    filePrefix_.clear();
    if (count > 1) {
        filePrefix_ = "file " + std::to_string(number) + " of " + std::to_string(count) + ": ";
    }
}

std::string ProgressBar::Label() {
    std::lock_guard lock(mutex_);
    return label_;
}

void ProgressBar::Start(const std::string& label) {
    std::lock_guard lock(mutex_);
    label_ = filePrefix_ + label;
    if (!enabled_) return;
    fraction_ = -1.0;
    if (!active_) started_ = std::chrono::steady_clock::now();
    active_ = true;
}

void ProgressBar::Update(double fraction) {
    if (enabled_) fraction_.store(fraction, std::memory_order_relaxed);
}

void ProgressBar::Finish() {
    if (!enabled_) return;
    std::lock_guard lock(mutex_);
    active_ = false;
    if (drawnLength_ > 0) {
        terminal_ << '\r' << std::string(drawnLength_, ' ') << '\r' << std::flush;
        drawnLength_ = 0;
    }
}

void ProgressBar::Run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, kRedrawInterval);
        if (active_ && !stopping_) Draw();
    }
}

void ProgressBar::Draw() {
    const auto elapsed = std::chrono::steady_clock::now() - started_;
    if (elapsed < delay_) return;
    const double seconds = std::chrono::duration<double>(elapsed).count();
    std::string line = ProgressLine(label_, fraction_.load(std::memory_order_relaxed), seconds);
    const std::size_t length = line.size();
    // Blanks over the rest of a longer line drawn before.
    if (length < drawnLength_) line.append(drawnLength_ - length, ' ');
    terminal_ << '\r' << line << std::flush;
    drawnLength_ = std::max(length, drawnLength_);
}

}  // namespace tonalyx::cli
