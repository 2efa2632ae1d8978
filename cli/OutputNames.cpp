#include "cli/OutputNames.h"

#include <filesystem>
#include <map>

#include "cli/CliArguments.h"

namespace tonalyx::cli {

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

std::string RelativePart(const std::string& input) {
    std::filesystem::path relative;
    for (const std::filesystem::path& part : std::filesystem::path(input).lexically_normal()) {
        if (part == "/" || part == ".." || part == "." || part.empty()) continue;
        if (part.has_root_name() || part.has_root_directory()) continue;
        relative /= part;
    }
    return WithoutExtension(relative);
}

std::string Normal(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
}

}  // namespace

bool NamesOnePerInput(const std::string& pattern) {
    return pattern.find(kNamePlaceholder) != std::string::npos ||
           pattern.find(kPathPlaceholder) != std::string::npos;
}

std::string OutputPath(const std::string& pattern, const std::string& input) {
    std::string path = pattern;
    ReplaceAll(path, kNamePlaceholder, WithoutExtension(std::filesystem::path(input).filename()));
    ReplaceAll(path, kPathPlaceholder, RelativePart(input));
    return path;
}

std::optional<std::string> FindOutputClash(const std::string& pattern,
                                           const std::vector<std::string>& inputs) {
    std::map<std::string, const std::string*> writers;
    for (const std::string& input : inputs) {
        const std::string output = OutputPath(pattern, input);
        if (Normal(output) == Normal(input)) {
            return "the output '" + output + "' would replace the input '" + input + "'";
        }
        const auto [entry, added] = writers.emplace(Normal(output), &input);
        if (!added && *entry->second != input) {
            std::string message =
                "'" + *entry->second + "' and '" + input + "' would both write '" + output + "'";
            if (pattern.find(kPathPlaceholder) == std::string::npos) {
                message += "; {path} keeps their folders apart";
            }
            return message;
        }
    }
    return std::nullopt;
}

}  // namespace tonalyx::cli
