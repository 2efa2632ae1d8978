#include "cli/CliArguments.h"

#include <charconv>
#include <limits>
#include <string_view>

#include "analysis/AnalysisKind.h"
#include "app/ViewGeometry.h"
#include "cli/ImageFiles.h"

namespace tonalyx::cli {

namespace {

enum CommandMask : unsigned {
    kLevels = 1u << 0,
    kPitch = 1u << 1,
    kSpectrum = 1u << 2,
    kInfo = 1u << 3,
    kSettings = 1u << 4,
    kViewCommands = kLevels | kSpectrum,
    kSoundCommands = kLevels | kPitch | kSpectrum | kInfo,
    kAllCommands = kSoundCommands | kSettings,
};

struct OptionSpec {
    std::string_view name;
    bool takesValue;
    unsigned commands;
};

constexpr OptionSpec kOptions[] = {
    {"-o", true, kLevels},
    {"--output", true, kLevels},
    {"--kind", true, kViewCommands},
    {"--overlay-pitch", false, kLevels},
    {"--columns", true, kViewCommands},
    {"--fit", false, kViewCommands},
    {"--samples-per-column", true, kViewCommands},
    {"--first-column", true, kViewCommands},
    {"--channel", true, kSoundCommands},
    {"--set", true, kAllCommands},
    {"--format", true, kPitch | kSpectrum},
    {"--column", true, kSpectrum},
    {"--to-column", true, kSpectrum},
};

struct CommandName {
    std::string_view name;
    Command command;
    unsigned mask;
};

constexpr CommandName kCommands[] = {
    {"levels", Command::Levels, kLevels},       {"pitch", Command::Pitch, kPitch},
    {"spectrum", Command::Spectrum, kSpectrum}, {"info", Command::Info, kInfo},
    {"settings", Command::Settings, kSettings},
};

struct KindName {
    std::string_view name;
    int kind;
};

constexpr KindName kKinds[] = {{"fft", FftAnalysis},      {"ac", AutoCorrelationAnalysis},
                               {"cep", CepstrumAnalysis}, {"lif", LifteringAnalysis},
                               {"mem", MemAnalysis},      {"pitch", PitchAnalysis}};

bool ParseWhole(std::string_view text, int& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    const auto result = std::from_chars(first, last, value);
    return first != last && result.ec == std::errc() && result.ptr == last;
}

bool IsPowerOfTwo(int value) {
    return value > 0 && (value & (value - 1)) == 0;
}

// Reads one option's value into options; false with error set when the value is bad.
bool TakeValue(std::string_view option, const std::string& value, CliOptions& options,
               std::string& error) {
    const auto whole = [&](int min, int max, int& target) {
        int parsed = 0;
        if (!ParseWhole(value, parsed) || parsed < min || parsed > max) {
            error = std::string(option) + " takes a whole number from " + std::to_string(min) +
                    " to " + std::to_string(max) + ", not '" + value + "'";
            return false;
        }
        target = parsed;
        return true;
    };
    constexpr int kLargest = std::numeric_limits<int>::max();
    int number = 0;
    if (option == "-o" || option == "--output") {
        options.output = value;
    } else if (option == "--kind") {
        for (const KindName& kind : kKinds) {
            if (kind.name == value) {
                options.kind = kind.kind;
                return true;
            }
        }
        error = "--kind takes fft, ac, cep, lif, mem or pitch, not '" + value + "'";
        return false;
    } else if (option == "--columns") {
        return whole(1, kMaxViewColumns, options.view.columns);
    } else if (option == "--samples-per-column") {
        if (!ParseWhole(value, number) || !IsPowerOfTwo(number) || number > kMaxSamplesPerPixel) {
            error = "--samples-per-column takes a power of two from 1 to " +
                    std::to_string(kMaxSamplesPerPixel) + ", not '" + value + "'";
            return false;
        }
        options.view.samplesPerColumn = number;
    } else if (option == "--first-column") {
        if (!whole(0, kLargest, number)) return false;
        options.view.firstColumn = number;
    } else if (option == "--channel") {
        if (!whole(0, kLargest, number)) return false;
        options.channel = number;
    } else if (option == "--set") {
        options.settings.push_back(value);
    } else if (option == "--format") {
        if (value == "csv") {
            options.format = TableFormat::Csv;
        } else if (value == "tsv") {
            options.format = TableFormat::Tsv;
        } else {
            error = "--format takes csv or tsv, not '" + value + "'";
            return false;
        }
    } else if (option == "--column") {
        return whole(0, kLargest, options.column);
    } else if (option == "--to-column") {
        if (!whole(0, kLargest, number)) return false;
        options.toColumn = number;
    }
    return true;
}

// The checks that need all the options.
bool CheckCombination(const CliOptions& options, std::string& error) {
    const bool soundCommand = options.command != Command::Settings;
    if (soundCommand && options.files.empty()) {
        error = "no wave file given";
        return false;
    }
    if (options.command == Command::Settings && !options.files.empty()) {
        error = "settings takes no file, but got '" + options.files.front() + "'";
        return false;
    }
    const ViewOptions& view = options.view;
    if (view.fit && (view.samplesPerColumn || view.firstColumn)) {
        error =
            "--fit spreads the sound over the columns: it takes neither "
            "--samples-per-column nor --first-column";
        return false;
    }
    if (options.command == Command::Levels) {
        if (options.output.empty()) {
            error = "levels needs an output file: -o OUT.png or -o OUT.pgm";
            return false;
        }
        ImageFileType type = ImageFileType::Png;
        if (!ImageFileTypeOf(options.output, type)) {
            error = "the output file must end in .png or .pgm, not '" + options.output + "'";
            return false;
        }
        if (options.files.size() > 1 &&
            options.output.find(kNamePlaceholder) == std::string::npos) {
            error = "with several files the output name needs {name}, e.g. -o out/{name}.png";
            return false;
        }
    }
    if (options.command == Command::Spectrum) {
        if (options.column < 0) {
            error = "spectrum needs --column C";
            return false;
        }
        if (options.toColumn && *options.toColumn < options.column) {
            error = "--to-column must not lie before --column";
            return false;
        }
        if (options.kind == PitchAnalysis) {
            error = "spectrum has no levels for --kind pitch";
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         std::string& error) {
    CliOptions options;
    if (arguments.empty()) {
        error = "no command given";
        return std::nullopt;
    }
    for (const std::string& argument : arguments) {
        if (argument == "--") break;
        if (argument == "-h" || argument == "--help") return options;
    }
    if (arguments.front() == "help") return options;
    unsigned mask = 0;
    for (const CommandName& command : kCommands) {
        if (command.name == arguments.front()) {
            options.command = command.command;
            mask = command.mask;
        }
    }
    if (mask == 0) {
        error = "unknown command '" + arguments.front() + "'";
        return std::nullopt;
    }

    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.front() != '-') {
            options.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const OptionSpec* entry = nullptr;
        for (const OptionSpec& candidate : kOptions) {
            if (candidate.name == name) entry = &candidate;
        }
        if (entry == nullptr) {
            error = "unknown option '" + name + "'";
            return std::nullopt;
        }
        if ((entry->commands & mask) == 0) {
            error = name + " does not apply to " + arguments.front();
            return std::nullopt;
        }
        if (!entry->takesValue) {
            if (equals != std::string::npos) {
                error = name + " takes no value";
                return std::nullopt;
            }
            if (name == "--fit") options.view.fit = true;
            if (name == "--overlay-pitch") options.overlayPitch = true;
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            error = name + " needs a value";
            return std::nullopt;
        }
        if (!TakeValue(name, value, options, error)) return std::nullopt;
    }
    if (!CheckCombination(options, error)) return std::nullopt;
    return options;
}

}  // namespace tonalyx::cli
