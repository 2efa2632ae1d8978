#include "document/SndfileNames.h"

#include <sndfile.h>

namespace tonalyx {
namespace {

int Major(int format) {
    return format & SF_FORMAT_TYPEMASK;
}
int Sub(int format) {
    return format & SF_FORMAT_SUBMASK;
}

// Wave format codes of the codings that have one.
constexpr uint16_t kTagPcm = 0x0001;
constexpr uint16_t kTagMsAdpcm = 0x0002;
constexpr uint16_t kTagFloat = 0x0003;
constexpr uint16_t kTagAlaw = 0x0006;
constexpr uint16_t kTagUlaw = 0x0007;
constexpr uint16_t kTagImaAdpcm = 0x0011;
constexpr uint16_t kTagG723Adpcm = 0x0014;
constexpr uint16_t kTagGsm610 = 0x0031;
constexpr uint16_t kTagG721Adpcm = 0x0040;
constexpr uint16_t kTagMpeg = 0x0050;
constexpr uint16_t kTagMpegLayer3 = 0x0055;
constexpr uint16_t kTagFlac = 0xF1AC;

}  // namespace

std::string SndfileContainerName(int format) {
    switch (Major(format)) {
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
            return "WAV";
        case SF_FORMAT_AIFF:
            return "AIFF";
        case SF_FORMAT_AU:
            return "AU";
        case SF_FORMAT_RAW:
            return "raw";
        case SF_FORMAT_PAF:
            return "PAF";
        case SF_FORMAT_SVX:
            return "IFF/8SVX";
        case SF_FORMAT_NIST:
            return "NIST SPHERE";
        case SF_FORMAT_VOC:
            return "VOC";
        case SF_FORMAT_IRCAM:
            return "IRCAM";
        case SF_FORMAT_W64:
            return "W64";
        case SF_FORMAT_MAT4:
            return "MAT4";
        case SF_FORMAT_MAT5:
            return "MAT5";
        case SF_FORMAT_PVF:
            return "PVF";
        case SF_FORMAT_XI:
            return "XI";
        case SF_FORMAT_HTK:
            return "HTK";
        case SF_FORMAT_SDS:
            return "SDS";
        case SF_FORMAT_AVR:
            return "AVR";
        case SF_FORMAT_SD2:
            return "SD2";
        case SF_FORMAT_FLAC:
            return "FLAC";
        case SF_FORMAT_CAF:
            return "CAF";
        case SF_FORMAT_WVE:
            return "WVE";
        case SF_FORMAT_OGG:
            return "Ogg";
        case SF_FORMAT_MPC2K:
            return "MPC2K";
        case SF_FORMAT_RF64:
            return "RF64";
        case SF_FORMAT_MPEG:
            return "MPEG";
        default:
            return "unknown";
    }
}

std::string SndfileCodecName(int format) {
    const bool flac = Major(format) == SF_FORMAT_FLAC;
    const char* lossless = flac ? "FLAC" : "PCM";
    switch (Sub(format)) {
        case SF_FORMAT_PCM_S8:
            return std::string(lossless) + (flac ? " 8-bit" : " 8-bit signed");
        case SF_FORMAT_PCM_U8:
            return std::string(lossless) + " 8-bit";
        case SF_FORMAT_PCM_16:
            return std::string(lossless) + " 16-bit";
        case SF_FORMAT_PCM_24:
            return std::string(lossless) + " 24-bit";
        case SF_FORMAT_PCM_32:
            return std::string(lossless) + " 32-bit";
        case SF_FORMAT_FLOAT:
            return "float 32-bit";
        case SF_FORMAT_DOUBLE:
            return "float 64-bit";
        case SF_FORMAT_ULAW:
            return "u-law";
        case SF_FORMAT_ALAW:
            return "A-law";
        case SF_FORMAT_IMA_ADPCM:
            return "IMA ADPCM";
        case SF_FORMAT_MS_ADPCM:
            return "MS ADPCM";
        case SF_FORMAT_GSM610:
            return "GSM 6.10";
        case SF_FORMAT_VOX_ADPCM:
            return "VOX ADPCM";
        case SF_FORMAT_NMS_ADPCM_16:
        case SF_FORMAT_NMS_ADPCM_24:
        case SF_FORMAT_NMS_ADPCM_32:
            return "NMS ADPCM";
        case SF_FORMAT_G721_32:
            return "G.721 ADPCM";
        case SF_FORMAT_G723_24:
        case SF_FORMAT_G723_40:
            return "G.723 ADPCM";
        case SF_FORMAT_DWVW_12:
        case SF_FORMAT_DWVW_16:
        case SF_FORMAT_DWVW_24:
        case SF_FORMAT_DWVW_N:
            return "DWVW";
        case SF_FORMAT_DPCM_8:
        case SF_FORMAT_DPCM_16:
            return "DPCM";
        case SF_FORMAT_VORBIS:
            return "Vorbis";
        case SF_FORMAT_OPUS:
            return "Opus";
        case SF_FORMAT_ALAC_16:
            return "ALAC 16-bit";
        case SF_FORMAT_ALAC_20:
            return "ALAC 20-bit";
        case SF_FORMAT_ALAC_24:
            return "ALAC 24-bit";
        case SF_FORMAT_ALAC_32:
            return "ALAC 32-bit";
        case SF_FORMAT_MPEG_LAYER_I:
            return "MP1";
        case SF_FORMAT_MPEG_LAYER_II:
            return "MP2";
        case SF_FORMAT_MPEG_LAYER_III:
            return "MP3";
        default:
            return "unknown";
    }
}

uint16_t SndfileFormatTag(int format) {
    if (Major(format) == SF_FORMAT_FLAC) return kTagFlac;
    switch (Sub(format)) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_PCM_32:
            return kTagPcm;
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
            return kTagFloat;
        case SF_FORMAT_ULAW:
            return kTagUlaw;
        case SF_FORMAT_ALAW:
            return kTagAlaw;
        case SF_FORMAT_IMA_ADPCM:
            return kTagImaAdpcm;
        case SF_FORMAT_MS_ADPCM:
            return kTagMsAdpcm;
        case SF_FORMAT_GSM610:
            return kTagGsm610;
        case SF_FORMAT_G721_32:
            return kTagG721Adpcm;
        case SF_FORMAT_G723_24:
        case SF_FORMAT_G723_40:
            return kTagG723Adpcm;
        case SF_FORMAT_MPEG_LAYER_I:
        case SF_FORMAT_MPEG_LAYER_II:
            return kTagMpeg;
        case SF_FORMAT_MPEG_LAYER_III:
            return kTagMpegLayer3;
        default:
            return 0;
    }
}

int SndfileBitsPerSample(int format) {
    switch (Sub(format)) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW:
        case SF_FORMAT_DPCM_8:
            return 8;
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_DWVW_16:
        case SF_FORMAT_DPCM_16:
        case SF_FORMAT_ALAC_16:
            return 16;
        case SF_FORMAT_ALAC_20:
            return 20;
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_DWVW_24:
        case SF_FORMAT_ALAC_24:
            return 24;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_ALAC_32:
            return 32;
        case SF_FORMAT_DOUBLE:
            return 64;
        case SF_FORMAT_DWVW_12:
            return 12;
        case SF_FORMAT_IMA_ADPCM:
        case SF_FORMAT_MS_ADPCM:
        case SF_FORMAT_VOX_ADPCM:
        case SF_FORMAT_G721_32:
            return 4;
        case SF_FORMAT_G723_24:
            return 3;
        case SF_FORMAT_G723_40:
            return 5;
        default:
            return 0;
    }
}

bool SndfileDecodesToReals(int format) {
    switch (Sub(format)) {
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
        case SF_FORMAT_VORBIS:
        case SF_FORMAT_OPUS:
        case SF_FORMAT_MPEG_LAYER_I:
        case SF_FORMAT_MPEG_LAYER_II:
        case SF_FORMAT_MPEG_LAYER_III:
            return true;
        default:
            return false;
    }
}

bool SndfileSeeksExactly(int format) {
    if (Major(format) == SF_FORMAT_FLAC) return true;
    switch (Sub(format)) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW:
        case SF_FORMAT_IMA_ADPCM:
        case SF_FORMAT_MS_ADPCM:
            return true;
        default:
            return false;
    }
}

}  // namespace tonalyx
