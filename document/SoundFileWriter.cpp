#include "document/SoundFileWriter.h"

#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "document/SndfileOpenLock.h"

namespace tonalyx {
namespace {

int MajorFormat(SoundContainer container) {
    switch (container) {
        case SoundContainer::Wav:
            return SF_FORMAT_WAV;
        case SoundContainer::Aiff:
            return SF_FORMAT_AIFF;
        case SoundContainer::Au:
            return SF_FORMAT_AU;
        case SoundContainer::Caf:
            return SF_FORMAT_CAF;
        case SoundContainer::W64:
            return SF_FORMAT_W64;
        case SoundContainer::Rf64:
            return SF_FORMAT_RF64;
        case SoundContainer::Nist:
            return SF_FORMAT_NIST;
        case SoundContainer::Flac:
            return SF_FORMAT_FLAC;
        case SoundContainer::Ogg:
            return SF_FORMAT_OGG;
        case SoundContainer::Mpeg:
            return SF_FORMAT_MPEG;
    }
    return 0;
}

int SubFormat(SoundCoding coding) {
    switch (coding) {
        case SoundCoding::Pcm8:
            return SF_FORMAT_PCM_U8;
        case SoundCoding::Pcm16:
            return SF_FORMAT_PCM_16;
        case SoundCoding::Pcm24:
            return SF_FORMAT_PCM_24;
        case SoundCoding::Pcm32:
            return SF_FORMAT_PCM_32;
        case SoundCoding::Float32:
            return SF_FORMAT_FLOAT;
        case SoundCoding::Ulaw:
            return SF_FORMAT_ULAW;
        case SoundCoding::Alaw:
            return SF_FORMAT_ALAW;
        case SoundCoding::ImaAdpcm:
            return SF_FORMAT_IMA_ADPCM;
        case SoundCoding::MsAdpcm:
            return SF_FORMAT_MS_ADPCM;
        case SoundCoding::Gsm610:
            return SF_FORMAT_GSM610;
        case SoundCoding::Vorbis:
            return SF_FORMAT_VORBIS;
        case SoundCoding::Opus:
            return SF_FORMAT_OPUS;
        case SoundCoding::Mp3:
            return SF_FORMAT_MPEG_LAYER_III;
    }
    return 0;
}

SF_INFO InfoFor(const SoundFileLayout& layout) {
    SF_INFO info{};
    info.samplerate = layout.sampleRate;
    info.channels = layout.channels;
    info.format = MajorFormat(layout.container) | SubFormat(layout.coding);
    // Formats whose 8-bit PCM is signed take it so.
    if (layout.coding == SoundCoding::Pcm8 && layout.container != SoundContainer::Wav &&
        sf_format_check(&info) == 0) {
        info.format = MajorFormat(layout.container) | SF_FORMAT_PCM_S8;
    }
    return info;
}

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

}  // namespace

bool IsWritableLayout(const SoundFileLayout& layout) {
    SF_INFO info = InfoFor(layout);
    return layout.channels > 0 && layout.sampleRate > 0 && sf_format_check(&info) != 0;
}

bool WriteSoundFile(const std::string& path, const SoundFileLayout& layout,
                    std::span<const int32_t> samples, std::string* error) {
    if (!IsWritableLayout(layout)) return Fail(error, "libsndfile cannot write this format");
    if (samples.size() % static_cast<std::size_t>(layout.channels) != 0) {
        return Fail(error, "the samples are not whole frames");
    }
    const std::string partial = path + ".partial";
    SF_INFO info = InfoFor(layout);
    SNDFILE* file = nullptr;
    {
        const std::lock_guard lock(SndfileOpenMutex());
        file = sf_open(partial.c_str(), SFM_WRITE, &info);
        if (!file) return Fail(error, partial + ": " + sf_strerror(nullptr));
    }

    const auto frames = static_cast<sf_count_t>(samples.size() / layout.channels);
    sf_count_t written = 0;
    if (layout.coding == SoundCoding::Float32) {
        // libsndfile stores integers in float files unscaled; full scale there is ±1.0.
        std::vector<double> reals(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i)
            reals[i] = samples[i] / 2147483648.0;
        written = frames > 0 ? sf_writef_double(file, reals.data(), frames) : 0;
    } else {
        written = frames > 0 ? sf_writef_int(file, samples.data(), frames) : 0;
    }
    const std::string writeError = written == frames ? "" : sf_strerror(file);
    const int closed = sf_close(file);
    if (written != frames || closed != 0) {
        std::remove(partial.c_str());
        return Fail(error,
                    partial + ": " + (writeError.empty() ? sf_error_number(closed) : writeError));
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(partial.c_str());
        return Fail(error, path + ": " + reason);
    }
    return true;
}

bool WriteSoundFile(const std::string& path, const SoundFileLayout& layout,
                    std::span<const int16_t> samples, std::string* error) {
    std::vector<int32_t> wide(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        wide[i] = int32_t{samples[i]} * 65536;
    return WriteSoundFile(path, layout, wide, error);
}

}  // namespace tonalyx
