#include "cli/CliArguments.h"

namespace tonalyx::cli {

const char* UsageText() {
    return R"(Usage: tonalyx-cli COMMAND [OPTIONS] FILE.wav...

Tonalyx's analyses without a window: the same computations as the window's commands.

Commands:
  levels FILE.wav... -o OUT.png|OUT.pgm
        The spectrogram image as the window's palette bitmap holds it after the same
        Calculate command: one pixel column per analysis column, imageHeight rows, the
        lowest frequency (or shortest lag) at the bottom. PNG holds grey 255 - level,
        PGM the raw levels 0 .. 255. With several files, {name} in OUT stands for each
        input's file name without its extension.
  pitch FILE.wav...
        The pitch track: a header line, then index, time of the block start in seconds
        (6 decimals) and F0 in Hz (6 significant digits; 0 where unvoiced).
  spectrum FILE.wav... --column C [--to-column D]
        The levels of analysis column C, or the mean of columns C .. D, as the
        power-spectrum window computes them: one line per image row with its frequency
        in Hz (or lag in ms) and its level in dB (or % for AC and cepstrum).
  info FILE.wav...
        Format tag, channels, rate, bits and length of each file, or why it is refused.
  settings
        Every NAME that --set takes, with its accepted values and current value.

Options:
  --kind fft|ac|cep|lif|mem|pitch   the analysis (levels, spectrum; default fft)
  --overlay-pitch                    draw the pitch track over the image (levels)
  --columns N                        the wave view's width in columns (default 1024)
  --fit                              Fit To Window: the whole sound over N columns
  --samples-per-column S             the time zoom, a power of two from 1 to 65536
  --first-column C                   the scroll position in columns
  --channel K                        the channel to read, from 0 (same as channelIndex)
  --set NAME=VALUE                   a field of the settings records (repeatable)
  --format csv|tsv                   table format of pitch and spectrum (default csv)
  -h, --help                         this text

Without --fit and --samples-per-column the view is the one the window shows after
opening the file in a wave view N columns wide and switching Fit To Window off.

Exit status: 0 when every file was done, 1 when a file failed, 2 for a usage error.
)";
}

}  // namespace tonalyx::cli
