#include "cli/CliArguments.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

#include "analysis/AnalysisKind.h"
#include "analysis/ViewGeometry.h"
#include "cli/CliOptionTable.h"
#include "requests/IntervalMeasure.h"
#include "requests/RequestCheck.h"
#include "requests/Suggestions.h"

namespace tonalyx::cli {

namespace {

// A leading '+' is taken, as strtol takes it; a sign after it is not.
std::string_view WithoutPlus(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-' || text.front() == '+') return "?";
    }
    return text;
}

bool ParseWhole(std::string_view text, int& value) {
    text = WithoutPlus(text);
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(text.data(), last, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == last;
}

bool ParseSeconds(std::string_view text, double& value) {
    text = WithoutPlus(text);
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(text.data(), last, value, std::chars_format::fixed);
    return !text.empty() && result.ec == std::errc() && result.ptr == last && std::isfinite(value);
}

// "0.25,0.5,0.75": fractions of an interval; their range is the request's to check.
bool ParsePoints(const std::string& value, std::vector<double>& points, std::string& error) {
    points.clear();
    std::size_t from = 0;
    while (true) {
        const std::size_t comma = std::min(value.find(',', from), value.size());
        double point = 0;
        if (!ParseSeconds(std::string_view(value).substr(from, comma - from), point)) {
            error = OutsideRange(RequestField::Points, value);
            return false;
        }
        points.push_back(point);
        if (comma == value.size()) return true;
        from = comma + 1;
    }
}

std::string MustBe(std::string_view option, std::string_view what, std::string_view value) {
    return std::string(option) + " must be " + std::string(what) + ", not '" + std::string(value) +
           "'";
}

// Reads one option's value into options; false with error set when the value is bad.
bool TakeValue(std::string_view option, const std::string& value, CliOptions& options,
               std::string& error) {
    // Numbers are read here; their ranges are the request's to check (CheckRequest).
    const auto whole = [&](RequestField field, auto& target) {
        int parsed = 0;
        if (!ParseWhole(value, parsed)) {
            error = OutsideRange(field, value);
            return false;
        }
        target = parsed;
        return true;
    };
    const auto seconds = [&](RequestField field, std::optional<double>& target) {
        double parsed = 0;
        if (!ParseSeconds(value, parsed)) {
            error = OutsideRange(field, value);
            return false;
        }
        target = parsed;
        return true;
    };
    if (option == "-o" || option == "--output") {
        if (value.empty()) {
            error = std::string(option) + " needs a file name, or - for standard output";
            return false;
        }
        options.output = value;
    } else if (option == "--kind") {
        const std::optional<int> kind = KindOfName(value);
        if (!kind) {
            error = OutsideRange(RequestField::Kind, value);
            return false;
        }
        options.kind = *kind;
    } else if (option == "--columns") {
        return whole(RequestField::Columns, options.view.columns);
    } else if (option == "--samples-per-column") {
        return whole(RequestField::SamplesPerColumn, options.view.samplesPerColumn);
    } else if (option == "--first-column") {
        return whole(RequestField::FirstColumn, options.view.firstColumn);
    } else if (option == "--channel") {
        return whole(RequestField::Channel, options.channel);
    } else if (option == "--set") {
        options.settings.push_back(value);
    } else if (option == "--format" && options.command == Command::Levels) {
        if (value == "png") {
            options.imageFormat = ImageFileType::Png;
        } else if (value == "pgm") {
            options.imageFormat = ImageFileType::Pgm;
        } else {
            error = MustBe(option, "png or pgm", value);
            return false;
        }
    } else if (option == "--format") {
        const std::optional<TableFormat> format = TableFormatOfName(value);
        if (!format) {
            error = OutsideRange(RequestField::Format, value);
            return false;
        }
        options.format = *format;
    } else if (option == "--missing-as") {
        const std::optional<MissingValues> missing = MissingValuesOfName(value);
        if (!missing) {
            error = OutsideRange(RequestField::MissingAs, value);
            return false;
        }
        options.missing = *missing;
    } else if (option == "--column") {
        return whole(RequestField::Column, options.column);
    } else if (option == "--to-column") {
        return whole(RequestField::ToColumn, options.toColumn);
    } else if (option == "--time") {
        return seconds(RequestField::Time, options.time);
    } else if (option == "--to-time") {
        return seconds(RequestField::ToTime, options.toTime);
    } else if (option == "--ceiling") {
        if (value == "auto") {
            options.autoCeiling = true;
            return true;
        }
        return seconds(RequestField::Ceiling, options.ceiling);
    } else if (option == "--count") {
        return whole(RequestField::FormantCount, options.formantCount);
    } else if (option == "--window") {
        return seconds(RequestField::Window, options.window);
    } else if (option == "--preemphasis") {
        return seconds(RequestField::PreEmphasis, options.preEmphasis);
    } else if (option == "--min-pitch") {
        return seconds(RequestField::MinPitch, options.minPitch);
    } else if (option == "--textgrid") {
        options.textGrid = value;
    } else if (option == "--tier") {
        options.tier = value;
    } else if (option == "--labels") {
        options.labels = value;
    } else if (option == "--points") {
        return ParsePoints(value, options.points, error);
    } else if (option == "--max-seconds") {
        return seconds(RequestField::MaxSeconds, options.maxSeconds);
    } else if (option == "--step") {
        return seconds(RequestField::Step, options.step);
    }
    return true;
}

bool HasPlaceholder(const std::string& output) {
    return output.find(kNamePlaceholder) != std::string::npos ||
           output.find(kPathPlaceholder) != std::string::npos;
}

bool CheckLevelsOutput(const CliOptions& options, std::string& error) {
    if (options.output.empty()) {
        error = "levels needs an output: -o OUT.png, -o OUT.pgm or -o - with --format";
        return false;
    }
    if (options.output == kStandardOutput) {
        if (options.files.size() > 1) {
            error = "-o - writes one image: give one file, or -o out/{name}.png";
            return false;
        }
        return true;
    }
    // A name without the extension (a device, a pipe) is written in the type --format names.
    ImageFileType type = ImageFileType::Png;
    const bool typed = ImageFileTypeOf(options.output, type);
    if (!typed && !options.imageFormat) {
        error = "the output file must end in .png or .pgm, or --format must name the type, not '" +
                options.output + "'";
        return false;
    }
    if (typed && options.imageFormat && *options.imageFormat != type) {
        error = "--format " +
                std::string(*options.imageFormat == ImageFileType::Png ? "png" : "pgm") +
                " does not match the output name '" + options.output + "'";
        return false;
    }
    if (options.files.size() > 1 && !HasPlaceholder(options.output)) {
        error = "with several files the output name needs {name} or {path}, e.g. -o out/{name}.png";
        return false;
    }
    return true;
}

// The checks that need all the options.
bool CheckCombination(const CliOptions& options, std::string& error) {
    const bool soundCommand = options.command != Command::Settings;
    if (soundCommand && options.files.empty()) {
        error = options.command == Command::Intervals ? "no TextGrid file given"
                                                      : "no sound file given";
        return false;
    }
    if (options.command == Command::Settings && !options.files.empty()) {
        error = "settings takes no file, but got '" + options.files.front() + "'";
        return false;
    }
    // The request's own checks, in the words of the command line's options.
    if (const std::vector<std::string> refusals = CheckRequest(options); !refusals.empty()) {
        error = refusals.front();
        return false;
    }
    if (options.command == Command::Levels && !CheckLevelsOutput(options, error)) return false;
    if (options.command == Command::Measure) {
        if (auto refused = CheckMeasureRequest(options)) {
            error = *refused;
            return false;
        }
    }
    if (options.command == Command::Spectrum) {
        if (auto refused = CheckSpectrumRequest(options)) {
            error = *refused;
            return false;
        }
    }
    return true;
}

std::string UnknownCommand(const std::string& name) {
    std::vector<std::string_view> names;
    for (const CommandEntry& entry : CommandTable())
        names.push_back(entry.name);
    return "unknown command '" + name + "'" + DidYouMean(name, names);
}

std::string UnknownOption(const std::string& name) {
    std::vector<std::string_view> names;
    for (const OptionSpec& option : OptionTable())
        names.push_back(option.name);
    return "unknown option '" + name + "'" + DidYouMean(name, names);
}

}  // namespace

std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         std::string& error) {
    CliOptions options;
    if (arguments.empty()) {
        error = "no command given";
        return std::nullopt;
    }
    const CommandEntry* command = FindCommand(arguments.front());
    // --help and --version win over every other word, but not as the value of an option:
    // "-o -h" names an output.
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") break;
        if (argument == "-h" || argument == "--help") {
            if (command) options.helpTopic = command->command;
            return options;
        }
        if (argument == "--version") {
            options.command = Command::Version;
            return options;
        }
        const OptionSpec* valued = FindOption(argument, kAllCommands);
        if (valued && !valued->valueName.empty()) ++i;
    }
    if (arguments.front() == "help") {
        if (arguments.size() > 2) {
            error = "help takes one command, but got '" + arguments[2] + "'";
            return std::nullopt;
        }
        if (arguments.size() == 2) {
            const CommandEntry* topic = FindCommand(arguments[1]);
            if (arguments[1] == "help") return options;
            if (!topic) {
                error = UnknownCommand(arguments[1]);
                return std::nullopt;
            }
            options.helpTopic = topic->command;
        }
        return options;
    }
    if (command == nullptr) {
        error = UnknownCommand(arguments.front());
        return std::nullopt;
    }
    options.command = command->command;
    const unsigned mask = command->mask;

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
        const OptionSpec* entry = FindOption(name, mask);
        if (entry == nullptr) {
            error = FindOption(name, kAllCommands)
                        ? name + " does not apply to " + arguments.front()
                        : UnknownOption(name);
            return std::nullopt;
        }
        if (entry->valueName.empty()) {
            if (equals != std::string::npos) {
                error = name + " takes no value";
                return std::nullopt;
            }
            if (name == "--fit") options.view.fit = true;
            if (name == "--overlay-pitch") options.overlayPitch = true;
            if (name == "--whole") options.whole = true;
            if (name == "--track") options.track = true;
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

ImageFileType LevelsImageType(const CliOptions& options) {
    if (options.imageFormat) return *options.imageFormat;
    ImageFileType type = ImageFileType::Png;
    ImageFileTypeOf(options.output, type);
    return type;
}

}  // namespace tonalyx::cli
