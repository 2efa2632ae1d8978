#include "document/HeaderClaims.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "document/LittleEndian.h"
#include "document/SoundData.h"

namespace tonalyx {
namespace {

// The G.711 codings, one byte a sample like 8-bit PCM.
constexpr uint16_t kWaveFormatAlaw = 0x0006;
constexpr uint16_t kWaveFormatUlaw = 0x0007;

uint32_t LoadBe32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

uint64_t LoadBe64(const uint8_t* p) {
    return (static_cast<uint64_t>(LoadBe32(p)) << 32) | LoadBe32(p + 4);
}

// Reads count bytes at offset; false when they are not all there.
bool ReadAt(ByteSource& bytes, int64_t offset, uint8_t* out, std::size_t count) {
    return offset >= 0 && bytes.Seek(offset) && bytes.Read(out, count) == count;
}

bool Starts(const uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

// Frames in size bytes of blocks of blockBytes bytes holding blockFrames frames each; no claim
// for a header whose figures make no count.
LengthClaim Frames(int64_t size, int64_t blockBytes, int64_t blockFrames = 1) {
    if (blockBytes <= 0 || blockFrames <= 0 || size < 0) return {};
    const int64_t blocks = size / blockBytes;
    if (blocks > std::numeric_limits<int64_t>::max() / blockFrames) return {};
    return {blocks * blockFrames};
}

// The parts of a wave's chunks that state its length.
struct WaveChunks {
    std::optional<uint16_t> tag;  // the coding, an extensible format's sub-format
    int64_t blockAlign = 0;
    int64_t samplesPerBlock = 0;  // of a block codec, from the format's extra bytes
    std::optional<int64_t> factFrames;
    std::optional<int64_t> dataSize;
    std::optional<int64_t> largeDataSize;  // from an RF64 "ds64" chunk
    bool riffSizes = true;                 // 32-bit sizes, where 0xFFFFFFFF marks a size left unset
};

LengthClaim WaveClaim(const WaveChunks& chunks) {
    if (!chunks.dataSize || !chunks.tag) return {};
    int64_t size = *chunks.dataSize;
    if (chunks.riffSizes && size == kUnsetChunkSize) {
        if (!chunks.largeDataSize) return {-1, true};
        size = *chunks.largeDataSize;
    }
    const uint16_t tag = *chunks.tag;
    if (tag == kWaveFormatPcm || tag == kWaveFormatIeeeFloat || tag == kWaveFormatAlaw ||
        tag == kWaveFormatUlaw) {
        return Frames(size, chunks.blockAlign);
    }
    // Block codecs state their sample count in the "fact" chunk; a count beyond what the
    // data's whole blocks hold is no claim (some writers leave a placeholder there).
    const LengthClaim blocks = Frames(size, chunks.blockAlign, chunks.samplesPerBlock);
    if (chunks.factFrames && (blocks.frames < 0 || *chunks.factFrames <= blocks.frames)) {
        return {*chunks.factFrames};
    }
    return blocks;
}

// The coding and block size of a "fmt " chunk of size bytes at offset.
bool ReadWaveFormat(ByteSource& bytes, int64_t offset, int64_t size, bool bigEndian,
                    WaveChunks& chunks) {
    std::array<uint8_t, 26> format{};
    if (size < 16 || !ReadAt(bytes, offset, format.data(), std::min<std::size_t>(26, size))) {
        return false;
    }
    const auto load16 = [bigEndian](const uint8_t* p) {
        return bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1]) : LoadLe16(p);
    };
    chunks.tag = load16(format.data());
    if (chunks.tag == kWaveFormatExtensible && size >= 26) chunks.tag = load16(format.data() + 24);
    chunks.blockAlign = load16(format.data() + 12);
    if (size >= 20) chunks.samplesPerBlock = load16(format.data() + 18);
    return true;
}

// RIFF and RIFX (big-endian) waves, RF64 and BW64: 8-byte chunk headers, even padding.
LengthClaim RiffClaim(ByteSource& bytes, bool bigEndian) {
    const auto load32 = [bigEndian](const uint8_t* p) {
        return bigEndian ? LoadBe32(p) : LoadLe32(p);
    };
    WaveChunks chunks;
    uint8_t header[8];
    for (int64_t at = 12; ReadAt(bytes, at, header, sizeof header);) {
        const int64_t size = load32(header + 4);
        const int64_t body = at + 8;
        if (Starts(header, "fmt ")) {
            if (!ReadWaveFormat(bytes, body, size, bigEndian, chunks)) return {};
        } else if (Starts(header, "fact") && size >= 4) {
            uint8_t count[4];
            if (ReadAt(bytes, body, count, 4)) chunks.factFrames = load32(count);
        } else if (Starts(header, "ds64") && size >= 16) {
            uint8_t sizes[16];
            if (ReadAt(bytes, body, sizes, 16)) chunks.largeDataSize = LoadLe64(sizes + 8);
        } else if (Starts(header, "data")) {
            chunks.dataSize = size;
            break;
        }
        at = body + ((size + 1) & ~int64_t{1});
    }
    return WaveClaim(chunks);
}

// Sony Wave64: 16-byte GUIDs whose first four bytes read like RIFF ids, 64-bit sizes that
// count the 24-byte chunk header, chunks aligned to 8 bytes.
LengthClaim Wave64Claim(ByteSource& bytes) {
    WaveChunks chunks;
    chunks.riffSizes = false;
    uint8_t header[24];
    for (int64_t at = 40; ReadAt(bytes, at, header, sizeof header);) {
        const auto size = static_cast<int64_t>(LoadLe64(header + 16));
        if (size < 24) return {};
        const int64_t body = at + 24;
        if (Starts(header, "fmt ")) {
            if (!ReadWaveFormat(bytes, body, size - 24, false, chunks)) return {};
        } else if (Starts(header, "fact") && size >= 32) {
            uint8_t count[8];
            if (ReadAt(bytes, body, count, 8)) chunks.factFrames = LoadLe64(count);
        } else if (Starts(header, "data")) {
            chunks.dataSize = size - 24;
            break;
        }
        // A chunk that runs past the end of the file ends the walk (and no sum overflows).
        if (size > bytes.Size()) break;
        at += (size + 7) & ~int64_t{7};
    }
    return WaveClaim(chunks);
}

// AIFF and AIFF-C: the "COMM" chunk states the frame count.
LengthClaim AiffClaim(ByteSource& bytes) {
    uint8_t header[8];
    for (int64_t at = 12; ReadAt(bytes, at, header, sizeof header);) {
        const int64_t size = LoadBe32(header + 4);
        if (Starts(header, "COMM") && size >= 6) {
            uint8_t common[22];
            const std::size_t length = size >= 22 ? 22 : 6;
            if (!ReadAt(bytes, at + 8, common, length)) return {};
            // IMA ADPCM in AIFF-C counts packets of 64 frames.
            const bool ima = length == 22 && Starts(common + 18, "ima4");
            return {int64_t{LoadBe32(common + 2)} * (ima ? 64 : 1)};
        }
        at += 8 + ((size + 1) & ~int64_t{1});
    }
    return {};
}

// Bytes of one sample of an AU encoding; 0 for those without a whole number of bytes.
int AuSampleBytes(uint32_t encoding) {
    switch (encoding) {
        case 1:   // u-law
        case 2:   // 8-bit PCM
        case 27:  // A-law
            return 1;
        case 3:
            return 2;
        case 4:
            return 3;
        case 5:
        case 6:  // float
            return 4;
        case 7:  // double
            return 8;
        default:
            return 0;
    }
}

// Sun/NeXT AU, big-endian (".snd") or little-endian ("dns."): a data size, unless written as
// a stream with the size left at 0xFFFFFFFF.
LengthClaim AuClaim(ByteSource& bytes, bool bigEndian) {
    uint8_t header[24];
    if (!ReadAt(bytes, 0, header, sizeof header)) return {};
    const auto load32 = [bigEndian](const uint8_t* p) {
        return bigEndian ? LoadBe32(p) : LoadLe32(p);
    };
    const uint32_t size = load32(header + 8);
    if (size == kUnsetChunkSize) return {};
    return Frames(size, int64_t{AuSampleBytes(load32(header + 12))} * load32(header + 20));
}

// CAF: a frame count in the packet table, or the data size over the bytes of a packet.
LengthClaim CafClaim(ByteSource& bytes) {
    uint8_t header[12];
    int64_t bytesPerPacket = 0;
    int64_t framesPerPacket = 0;
    for (int64_t at = 8; ReadAt(bytes, at, header, sizeof header);) {
        const auto size = static_cast<int64_t>(LoadBe64(header + 4));
        const int64_t body = at + 12;
        if (Starts(header, "desc") && size >= 32) {
            uint8_t description[32];
            if (!ReadAt(bytes, body, description, sizeof description)) return {};
            bytesPerPacket = LoadBe32(description + 16);
            framesPerPacket = LoadBe32(description + 20);
        } else if (Starts(header, "pakt") && size >= 16) {
            uint8_t table[16];
            if (ReadAt(bytes, body, table, sizeof table)) {
                return {static_cast<int64_t>(LoadBe64(table + 8))};
            }
        } else if (Starts(header, "data")) {
            // The size counts a 4-byte edit count before the packets; -1 runs to the end.
            if (size < 4) return {};
            LengthClaim claim = Frames(size - 4, bytesPerPacket, framesPerPacket);
            if (size > bytes.Size() - body) {
                claim.cutSizeField = at + 4;
                claim.heldSize = std::max<int64_t>(0, bytes.Size() - body);
            }
            return claim;
        }
        if (size < 0 || size > bytes.Size()) return {};
        at = body + size;
    }
    return {};
}

// NIST SPHERE: a text header of "name -type value" lines with the sample count.
LengthClaim SphereClaim(ByteSource& bytes) {
    std::array<char, 1024> text{};
    const std::size_t got = bytes.Seek(0) ? bytes.Read(text.data(), text.size() - 1) : 0;
    const std::string header(text.data(), got);
    const std::size_t field = header.find("\nsample_count -i ");
    if (field == std::string::npos) return {};
    const long long count = std::strtoll(header.c_str() + field + 17, nullptr, 10);
    return count > 0 ? LengthClaim{count} : LengthClaim{};
}

}  // namespace

std::unique_ptr<ByteSource> ReadableAsHeld(std::unique_ptr<ByteSource> bytes,
                                           const LengthClaim& claim) {
    if (claim.cutSizeField < 0) return bytes;
    std::vector<uint8_t> size;
    for (int shift = 56; shift >= 0; shift -= 8)
        size.push_back(static_cast<uint8_t>(claim.heldSize >> shift));
    return std::make_unique<PatchedByteSource>(std::move(bytes), claim.cutSizeField,
                                               std::move(size));
}

LengthClaim ReadLengthClaim(ByteSource& bytes) {
    uint8_t magic[12];
    if (!ReadAt(bytes, 0, magic, sizeof magic)) return {};
    if ((Starts(magic, "RIFF") || Starts(magic, "RF64") || Starts(magic, "BW64")) &&
        Starts(magic + 8, "WAVE")) {
        return RiffClaim(bytes, false);
    }
    if (Starts(magic, "RIFX") && Starts(magic + 8, "WAVE")) return RiffClaim(bytes, true);
    if (Starts(magic, "riff") && magic[4] == 0x2E && magic[5] == 0x91) return Wave64Claim(bytes);
    if (Starts(magic, "FORM") && (Starts(magic + 8, "AIFF") || Starts(magic + 8, "AIFC"))) {
        return AiffClaim(bytes);
    }
    if (Starts(magic, ".snd")) return AuClaim(bytes, true);
    if (Starts(magic, "dns.")) return AuClaim(bytes, false);
    if (Starts(magic, "caff")) return CafClaim(bytes);
    if (std::memcmp(magic, "NIST_1A\n", 8) == 0) return SphereClaim(bytes);
    return {};
}

}  // namespace tonalyx
