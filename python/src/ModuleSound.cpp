#include "python/src/ModuleSound.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "requests/CommandView.h"
#include "requests/RequestCheck.h"
#include "requests/SettingsTable.h"
#include "requests/SoundSource.h"

namespace tonalyx::python {

namespace {

// The frames the limit allows, read whole into memory by the frame reader that --max-seconds
// and --whole stream through: the same samples and the same report.
std::optional<std::string> ReadFrames(const std::string& path, const requests::RecordSet& records,
                                      const ReadLength& length, SoundData& sound,
                                      requests::LoadReport& report) {
    const requests::ReadLimit limit{records.file.maxSoundLength, length.maxSeconds, length.whole};
    requests::OpenedSound opened;
    if (auto refused = requests::OpenSound(path, records.file.channelIndex, limit, opened)) {
        return refused;
    }
    sound.samples.resize(static_cast<std::size_t>(opened.frames));
    try {
        requests::SoundFrames(opened).Read(0, sound.samples);
    } catch (const std::runtime_error& error) {
        return std::string(error.what());
    }
    sound.sampleCount = static_cast<int32_t>(opened.frames);
    sound.channelIndex = opened.report.channelRead;
    sound.origin = opened.source->Info();
    sound.format.sampleRate = sound.origin.sampleRate;
    sound.format.bytesPerSecond = sound.origin.sampleRate * 2;
    report = opened.report;
    report.origin.repairs = sound.origin.repairs;
    return std::nullopt;
}

}  // namespace

ModuleSound ReadSound(const std::string& path, const std::vector<std::string>& settings,
                      const ReadLength& length) {
    requests::RecordSet records;
    for (const std::string& assignment : settings) {
        if (auto error = requests::ApplySetting(records, assignment)) throw UsageProblem(*error);
    }
    requests::AnalysisRequest request;
    request.maxSeconds = length.maxSeconds;
    request.whole = length.whole;
    const auto keyword = [](requests::RequestField field) -> std::string {
        if (field == requests::RequestField::MaxSeconds) return "max_seconds";
        if (field == requests::RequestField::Whole) return "whole";
        return requests::CommandLineName(field);
    };
    const std::vector<std::string> refusals = requests::CheckRequest(request, keyword);
    if (!refusals.empty()) throw UsageProblem(refusals.front());
    auto sound = std::make_shared<SoundData>();
    requests::LoadReport report;
    const bool beyondSetting = length.maxSeconds || length.whole;
    if (auto refused = beyondSetting ? ReadFrames(path, records, length, *sound, report)
                                     : requests::LoadSound(path, records.file, *sound, &report)) {
        throw SoundRefused(path + ": " + *refused);
    }
    return {std::move(sound), path, std::move(report)};
}

ModuleSound SoundFromSamples(std::vector<int16_t> samples, double rate) {
    if (samples.empty()) throw std::invalid_argument("a sound needs at least one sample");
    if (samples.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
        throw std::invalid_argument("a sound holds at most 2^31 - 1 samples");
    }
    // A rate is never rounded: 16000.7 Hz would silently become another sound.
    if (!(rate >= 1 && rate <= std::numeric_limits<int32_t>::max()) || std::floor(rate) != rate) {
        std::array<char, 32> shown{};
        const auto end = std::to_chars(shown.data(), shown.data() + shown.size(), rate).ptr;
        throw std::invalid_argument(
            "the rate must be a whole number of Hz from 1 to 2^31 - 1, not " +
            std::string(shown.data(), end));
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

ModuleSound SoundFromState(std::vector<int16_t> samples, double rate,
                           const SoundDescription& description) {
    ModuleSound sound = SoundFromSamples(std::move(samples), rate);
    auto data = std::make_shared<SoundData>(*sound.data);
    data->channelIndex = description.channel;
    data->origin = description.report.origin;
    return {std::move(data), description.name, description.report};
}

}  // namespace tonalyx::python
