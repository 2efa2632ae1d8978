#include "cli/CliOptionTable.h"

namespace tonalyx::cli {

namespace {

constexpr CommandEntry kCommands[] = {
    {"levels", Command::Levels, kLevels, "FILE... -o OUT.png|OUT.pgm|-",
     "The spectrogram image as the window's palette bitmap holds it after\n"
     "the same Calculate command: one pixel column per analysis column,\n"
     "imageHeight rows, the lowest frequency (or shortest lag) at the\n"
     "bottom. PNG holds grey 255 - level, PGM the raw levels 0 .. 255."},
    {"pitch", Command::Pitch, kPitch, "FILE... [--step SECONDS] [-o OUT]",
     "The pitch track: file, index, time of the block start in seconds (6\n"
     "decimals) and F0 in Hz (6 significant digits; 0 where unvoiced unless\n"
     "--missing-as). With --step, one row per step instead: file, index, time\n"
     "(index x step) and the F0 there, interpolated linearly between the two\n"
     "track values around it, each standing at the middle of its block of\n"
     "samples; unvoiced (0) where either of the two is unvoiced. Before the\n"
     "first and after the last value the nearest value holds."},
    {"spectrum", Command::Spectrum, kSpectrum,
     "FILE... (--column C [--to-column D] | --time T [--to-time T2])",
     "The levels of one analysis column, or the mean of a range of columns,\n"
     "as the power-spectrum window computes them: file, start_s and end_s\n"
     "(the time span of the columns), then one line per image row with its\n"
     "frequency in Hz (or lag in ms) and its level in dB (or % for AC and\n"
     "cepstrum). --time picks the column whose samples hold that time."},
    {"formants", Command::Formants, kFormants,
     "FILE... [--ceiling HZ|auto] [--count N] [--window S] [--step S] [-o OUT]",
     "Formants by linear prediction (Burg), frame by frame: file, time_s (the\n"
     "frame's centre), then f1_hz, b1_hz .. fN_hz, bN_hz, frequency and bandwidth\n"
     "of each formant (0 where a frame has fewer, unless --missing-as). The sound is\n"
     "resampled to twice the ceiling (default 5500 Hz; 5000 suits adult male\n"
     "voices; auto picks per file, from 4500 to 6500 Hz, the one with the smoothest\n"
     "F1-F3), pre-emphasised, cut into Gaussian frames of twice the window (default\n"
     "0.025 s) every step (default a quarter of the window). --track joins F1-F3\n"
     "into continuous tracks."},
    {"intensity", Command::Intensity, kIntensity, "FILE... [--min-pitch HZ] [--step S] [-o OUT]",
     "Intensity in dB re 2e-5 Pa (full scale taken as 1 Pa), frame by frame: file,\n"
     "time_s (the frame's centre), intensity_db: the power under a Kaiser window of\n"
     "3.2 / min-pitch seconds (default 100 Hz), its mean removed first; frames every\n"
     "step (default a quarter of the window). Digital silence reads -300 dB (empty\n"
     "or NaN with --missing-as)."},
    {"intervals", Command::Intervals, kIntervals, "FILE.TextGrid... [-o OUT]",
     "The annotations of TextGrid files as a table: file, tier, kind (interval\n"
     "or point), index from 1, start_s, end_s (a point's time as both) and label.\n"
     "Times are written as the file holds them; labels are quoted as file names.\n"
     "Praat's long and short text forms are read, in UTF-8 or UTF-16; a broken\n"
     "file is refused with its line and the reason."},
    {"measure", Command::Measure, kMeasure,
     "FILE... --tier NAME [--textgrid PATH] [--labels REGEX] [--points P,...]",
     "One row per labelled interval of a TextGrid tier: file, tier, interval,\n"
     "label, start_s, end_s, duration_s, F0 mean, median, min and max over the\n"
     "voiced pitch values in the interval, voiced_share, intensity_mean_db (the\n"
     "energy mean of the intensity frames), f1_hz_mean .. f3_hz_mean, then\n"
     "f1_hz_at_P .. f3_hz_at_P at each point p (a fraction of the interval, P =\n"
     "100 p), read linearly between formant frames. The TextGrid is the sound's\n"
     "name with .TextGrid beside it unless --textgrid names it ({name} for the\n"
     "sound's name, beside the sound when relative). Only the intervals and the\n"
     "analysis windows around them are read. Intervals shorter than a frame step\n"
     "take the values at their middle; a point outside the frames, an unvoiced or\n"
     "silent interval has missing values (0 Hz, -300 dB unless --missing-as)."},
    {"info", Command::Info, kInfo, "FILE...",
     "Reader, container, codec, format tag, channels, rate, bits and length\n"
     "of each file, what is read of it, or why the file is refused."},
    {"settings", Command::Settings, kSettings, "[--set NAME=VALUE]...",
     "Every NAME that --set takes, with its accepted values, current value,\n"
     "meaning and whether it changes what the command line computes."},
};

constexpr OptionSpec kOptions[] = {
    {"-o", "OUT", kLevels | kTableCommands, "output file ({name}, {path}); - for stdout"},
    {"--output", "OUT", kLevels | kTableCommands, "the same as -o"},
    {"--kind", "fft|ac|cep|lif|mem|pitch", kViewCommands, "the analysis (default fft)"},
    {"--overlay-pitch", "", kLevels, "draw the pitch track over the image"},
    {"--columns", "N", kViewCommands, "the view's width in columns (default 1024)"},
    {"--fit", "", kViewCommands, "Fit To Window: the whole sound in N columns"},
    {"--samples-per-column", "S", kViewCommands, "time zoom, a power of two, 1 to 65536"},
    {"--first-column", "C", kViewCommands, "the scroll position in columns"},
    {"--column", "C", kSpectrum, "the view column to read, from 0"},
    {"--to-column", "D", kSpectrum, "the last column of a range, averaged"},
    {"--time", "T", kSpectrum, "the column that holds T seconds"},
    {"--to-time", "T2", kSpectrum, "the columns from T to T2 seconds, averaged"},
    {"--channel", "K", kSoundCommands, "the channel read, from 0 (sets channelIndex)"},
    {"--max-seconds", "S", kSoundCommands, "read up to S seconds (beyond maxSoundLength)"},
    {"--whole", "", kSoundCommands, "read all of each file, however long"},
    {"--step", "SECONDS", kPitch, "one row per step, F0 interpolated"},
    {"--step", "S", kMeasureCommands, "seconds between frames (default: window / 4)"},
    {"--textgrid", "PATH", kMeasure, "the TextGrid ({name}; default: beside the sound)"},
    {"--tier", "NAME", kMeasure, "the interval tier measured"},
    {"--labels", "REGEX", kMeasure, "labels measured (default: every non-empty one)"},
    {"--points", "P,...", kMeasure, "fractions of each interval for F1-F3 (default 0.5)"},
    {"--ceiling", "HZ|auto", kFormants | kMeasure, "highest formant (default 5500), auto per file"},
    {"--count", "N", kFormants | kMeasure, "formants per frame, 1 to 10 (default 5)"},
    {"--window", "S", kFormants | kMeasure, "effective window in seconds (default 0.025)"},
    {"--preemphasis", "HZ", kFormants | kMeasure, "pre-emphasis from HZ (default 50)"},
    {"--track", "", kFormants, "join F1, F2, F3 into continuous tracks"},
    {"--min-pitch", "HZ", kIntensity | kMeasure, "lowest pitch, sets the window (default 100)"},
    {"--set", "NAME=VALUE", kAllCommands, "a field of the settings (repeatable)"},
    {"--format", "png|pgm", kLevels, "image format (default: OUT's extension)"},
    {"--format", "csv|tsv", kTableCommands, "table format (default csv)"},
    {"--missing-as", "empty|nan", kValueTables, "unvoiced F0, silent levels: empty or NaN"},
};

}  // namespace

std::span<const CommandEntry> CommandTable() {
    return kCommands;
}

std::span<const OptionSpec> OptionTable() {
    return kOptions;
}

const CommandEntry* FindCommand(std::string_view name) {
    for (const CommandEntry& entry : kCommands) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

const OptionSpec* FindOption(std::string_view name, unsigned mask) {
    for (const OptionSpec& option : kOptions) {
        if (option.name == name && (option.commands & mask) != 0) return &option;
    }
    return nullptr;
}

}  // namespace tonalyx::cli
