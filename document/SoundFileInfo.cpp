#include "document/SoundFileInfo.h"

#include <sndfile.h>

namespace tonalyx {

std::string SoundReaderName(SoundReader reader) {
    switch (reader) {
        case SoundReader::None:
            return "none";
        case SoundReader::Wave:
            return "Tonalyx wave reader";
        case SoundReader::Sndfile:
            return sf_version_string();
    }
    return "unknown";
}

}  // namespace tonalyx
