#include "requests/OutputNames.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "requests/OutputTarget.h"

namespace tonalyx::requests {

namespace {

void ReplaceAll(std::string& text, std::string_view placeholder, const std::string& value) {
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

std::string WithoutExtension(const std::filesystem::path& path) {
    std::filesystem::path stripped = path;
    if (path.has_stem() && path.has_extension()) stripped.replace_extension();
    return stripped.string();
}

std::filesystem::path AbsoluteNormal(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return (error ? std::filesystem::path(path) : absolute).lexically_normal();
}

// What makes two names one file: the device and inode of an existing file (links followed),
// else the name with its existing folders' links resolved.
struct FileKey {
    dev_t device = 0;
    ino_t inode = 0;
    std::string name;
    auto operator<=>(const FileKey&) const = default;
};

FileKey KeyOfStatus(const struct stat& status) {
    return {status.st_dev, status.st_ino, {}};
}

FileKey KeyOfName(const std::string& path) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return {0, 0, (error ? AbsoluteNormal(path) : canonical).string()};
}

FileKey InputKey(const std::string& input) {
    struct stat status {};
    return ::stat(input.c_str(), &status) == 0 ? KeyOfStatus(status) : KeyOfName(input);
}

FileKey OutputKey(const std::string& output) {
    OutputTarget target;
    if (FindOutputTarget(output, target)) return KeyOfName(output);
    struct stat status {};
    if (target.kind == OutputTarget::Kind::Descriptor) {
        if (::fstat(target.descriptor, &status) == 0) return KeyOfStatus(status);
        return KeyOfName(output);
    }
    if (::stat(target.file.c_str(), &status) == 0) return KeyOfStatus(status);
    return KeyOfName(target.file);
}

}  // namespace

bool NamesOnePerInput(const std::string& pattern) {
    return pattern.find(kNamePlaceholder) != std::string::npos ||
           pattern.find(kPathPlaceholder) != std::string::npos;
}

std::string CommonFolder(const std::vector<std::string>& inputs) {
    std::filesystem::path common;
    bool first = true;
    for (const std::string& input : inputs) {
        const std::filesystem::path folder = AbsoluteNormal(input).parent_path();
        if (first) {
            common = folder;
            first = false;
            continue;
        }
        std::filesystem::path shared;
        for (auto a = common.begin(), b = folder.begin();
             a != common.end() && b != folder.end() && *a == *b; ++a, ++b) {
            shared /= *a;
        }
        common = shared;
    }
    return common.string();
}

std::string OutputPath(const std::string& pattern, const std::string& input,
                       const std::string& base) {
    std::string path = pattern;
    ReplaceAll(path, kNamePlaceholder, WithoutExtension(std::filesystem::path(input).filename()));
    if (pattern.find(kPathPlaceholder) != std::string::npos) {
        const std::filesystem::path relative = AbsoluteNormal(input).lexically_relative(base);
        ReplaceAll(path, kPathPlaceholder, WithoutExtension(relative));
    }
    return path;
}

std::optional<std::string> FindOutputClash(const std::vector<std::string>& inputs,
                                           const std::vector<std::string>& outputs,
                                           bool pathPlaceholder) {
    std::map<FileKey, const std::string*> inputFiles;
    for (const std::string& input : inputs)
        inputFiles.emplace(InputKey(input), &input);
    std::map<FileKey, std::size_t> writers;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const std::string& output = outputs[i];
        const FileKey key = OutputKey(output);
        if (const auto input = inputFiles.find(key); input != inputFiles.end()) {
            return "the output '" + output + "' would replace the input '" + *input->second + "'";
        }
        const auto [entry, added] = writers.emplace(key, i);
        if (added) continue;
        const std::string& earlier = inputs[entry->second];
        const std::string& later = inputs[i];
        if (InputKey(earlier) == InputKey(later)) {
            return "'" + earlier + "' and '" + later + "' are one file, given twice";
        }
        std::string message = "'" + earlier + "' and '" + later + "' would both write '" +
                              outputs[entry->second] + "'";
        if (outputs[entry->second] != output) message += " (as '" + output + "')";
        if (!pathPlaceholder) message += "; {path} keeps their folders apart";
        return message;
    }
    return std::nullopt;
}

}  // namespace tonalyx::requests
