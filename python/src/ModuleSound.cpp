#include "python/src/ModuleSound.h"

#include <limits>

#include "requests/CommandView.h"
#include "requests/SettingsTable.h"

namespace tonalyx::python {

ModuleSound ReadSound(const std::string& path, const std::vector<std::string>& settings) {
    requests::RecordSet records;
    for (const std::string& assignment : settings) {
        if (auto error = requests::ApplySetting(records, assignment)) throw UsageProblem(*error);
    }
    auto sound = std::make_shared<SoundData>();
    requests::LoadReport report;
    if (auto refused = requests::LoadSound(path, records.file, *sound, &report)) {
        throw SoundRefused(path + ": " + *refused);
    }
    return {std::move(sound), path, std::move(report)};
}

ModuleSound SoundFromSamples(std::vector<int16_t> samples, long long rate) {
    if (samples.empty()) throw std::invalid_argument("a sound needs at least one sample");
    if (samples.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
        throw std::invalid_argument("a sound holds at most 2^31 - 1 samples");
    }
    if (rate < 1 || rate > std::numeric_limits<int32_t>::max()) {
        throw std::invalid_argument(
            "the rate must be a whole number of Hz from 1 to 2^31 - 1, not " +
            std::to_string(rate));
    }
    auto sound = std::make_shared<SoundData>();
    sound->sampleCount = static_cast<int32_t>(samples.size());
    sound->samples = std::move(samples);
    sound->format.sampleRate = static_cast<uint32_t>(rate);
    sound->format.bytesPerSecond = static_cast<uint32_t>(rate * 2);
    requests::LoadReport report;
    report.origin.sampleRate = sound->format.sampleRate;
    report.origin.channels = 1;
    report.origin.frames = sound->sampleCount;
    report.claimedFrames = report.framesInFile = report.framesLoaded = sound->sampleCount;
    report.sampleRate = sound->format.sampleRate;
    return {std::move(sound), "<array>", std::move(report)};
}

}  // namespace tonalyx::python
