#pragma once

#include <span>
#include <string>

namespace tonalyx {

// The kinds of sound file the program opens, in one place for the open dialog, the image
// name rule and the desktop entry. Files are recognised by their content when they are read;
// these names only help users and file managers find them.
struct SoundFileKind {
    const char* container;   // as SoundFileInfo names it
    const char* extensions;  // lower case, without dots, separated by spaces
    const char* mimeTypes;   // separated by ';'
};

std::span<const SoundFileKind> SoundFileKinds();

// Every extension of SoundFileKinds as a file-dialog pattern: "*.wav *.wave *.flac ...".
std::string SoundFilePatterns();

// Every MIME type of SoundFileKinds, each followed by ';' as a desktop entry lists them.
std::string SoundMimeTypes();

// True when the extension of the name (from the last dot of the file-name part, any letter
// case) is one of SoundFileKinds.
bool HasSoundFileExtension(const std::string& path);

}  // namespace tonalyx
