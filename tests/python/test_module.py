"""The module against tonalyx-cli: the same images, tables and messages."""

from __future__ import annotations

import csv
import io
import pickle
import subprocess
import sys
import threading
import warnings

import numpy as np
import pytest

import tonalyx
from conftest import cli_error, cli_output, convert, read_pgm, run_cli, voice, write_wave

# View options as keywords of Sound.levels / Sound.spectrum and as tonalyx-cli options.
VIEWS = [
    ({}, []),
    ({"fit": True, "columns": 300}, ["--fit", "--columns", "300"]),
    (
        {"samples_per_column": 64, "first_column": 5, "columns": 200},
        ["--samples-per-column", "64", "--first-column", "5", "--columns", "200"],
    ),
]


@pytest.mark.filterwarnings("ignore::tonalyx.TonalyxWarning")  # a clamped first column
@pytest.mark.parametrize("kind", tonalyx.KINDS)
@pytest.mark.parametrize("name", ["voice16k", "stereo44k", "short8bit"])
def test_levels_equal_the_command_lines_pgm(sounds, tmp_path, kind, name):
    sound = tonalyx.read(sounds[name])
    for keywords, options in VIEWS:
        out = tmp_path / "levels.pgm"
        cli_output("levels", str(sounds[name]), "--kind", kind, *options, "-o", str(out))
        levels = sound.levels(kind=kind, **keywords)
        expected = read_pgm(out)
        assert levels.image.dtype == np.uint8
        np.testing.assert_array_equal(levels.image, expected, err_msg=f"{keywords}")
        assert levels.times.shape == (expected.shape[1],)
        axis = levels.lags if levels.frequencies is None else levels.frequencies
        assert axis.shape == (expected.shape[0],)


def test_levels_with_settings_and_the_pitch_overlay(sounds, tmp_path):
    path = sounds["voice16k"]
    out = tmp_path / "overlay.pgm"
    cli_output("levels", str(path), "--overlay-pitch", "--set", "fftSizeLog2=9", "--set",
               "logScale=true", "--set", "maxDb=90", "-o", str(out))
    settings = tonalyx.Settings(fft_size_log2=9, logScale=True)
    levels = tonalyx.read(path).levels(overlay_pitch=True, settings=settings, maxDb=90)
    np.testing.assert_array_equal(levels.image, read_pgm(out))
    plain = tonalyx.read(path).levels(settings=settings, maxDb=90)
    # The overlay marks pitch rows black (255) where the plain image is not.
    assert np.count_nonzero(levels.image != plain.image) > 0


def test_level_axes_agree_with_the_view_and_the_spectrum_table(sounds):
    sound = tonalyx.read(sounds["voice16k"])
    levels = sound.levels(samples_per_column=64, first_column=3, columns=100)
    # Column i holds samples [(3 + i) 64, (4 + i) 64): its centre.
    expected = ((3 + np.arange(100)) * 64 + 32) / 16000
    np.testing.assert_allclose(levels.times, expected, rtol=0, atol=1e-12)
    # The image's top line is the spectrum table's last row.
    spectrum = sound.spectrum(0, samples_per_column=64, first_column=3, columns=100)
    np.testing.assert_array_equal(levels.frequencies[::-1], spectrum.frequencies)
    lags = sound.levels(kind="ac", show_as_frequency=False).lags
    spectrum = sound.spectrum(0, kind="ac", show_as_frequency=False)
    assert lags is not None and spectrum.frequencies is None
    np.testing.assert_array_equal(lags[::-1], spectrum.lags)


def _columns(data: bytes) -> dict[str, list[str]]:
    """A table's columns by their header names."""
    reader = csv.reader(io.StringIO(data.decode()))
    header = next(reader)
    rows = list(reader)
    return {name: [row[i] for row in rows] for i, name in enumerate(header)}


@pytest.mark.parametrize("name", ["voice16k", "stereo44k", "short8bit"])
def test_pitch_equals_the_command_lines_table(sounds, name):
    path = sounds[name]
    expected = cli_output("pitch", str(path), "--set", "pitchMinFreq=70")
    times, f0 = tonalyx.read(path).pitch(pitch_min_freq=70)
    columns = _columns(expected)
    assert len(columns["f0_hz"]) == len(times) == len(f0)
    assert columns["time_s"] == [f"{t:.6f}" for t in times]
    assert columns["f0_hz"] == [f"{v:.6g}" for v in f0]
    assert np.count_nonzero(f0) > len(f0) // 3
    assert tonalyx.pitch_table(times, f0, file=str(path)) == expected
    for table_format, missing in [("tsv", None), ("csv", "empty"), ("tsv", "nan")]:
        options = ["--format", table_format] + (["--missing-as", missing] if missing else [])
        expected = cli_output("pitch", str(path), "--set", "pitchMinFreq=70", *options)
        written = tonalyx.pitch_table(times, f0, str(path), table_format, missing)
        assert written == expected, options
    with pytest.raises(tonalyx.UsageError) as refused:
        tonalyx.pitch_table(times, f0, str(path), missing_as="zero")
    assert str(refused.value) == cli_error("pitch", str(path), "--missing-as", "zero")


@pytest.mark.parametrize("keywords, options", [
    ({}, []),
    ({"ceiling": 5000, "count": 4, "step": 0.01}, ["--ceiling", "5000", "--count", "4", "--step", "0.01"]),
    ({"ceiling": "auto", "track": True}, ["--ceiling", "auto", "--track"]),
])
def test_formants_and_intensity_equal_the_command_lines_tables(sounds, keywords, options):
    path = str(sounds["voice16k"])
    sound = tonalyx.read(path)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", tonalyx.TonalyxWarning)
        times, frequencies, bandwidths = sound.formants(**keywords)
    columns = _columns(cli_output("formants", path, "--missing-as", "nan", *options))
    assert columns["time_s"] == [f"{t:.6f}" for t in times]
    assert frequencies.shape == bandwidths.shape == (len(times), 3 if keywords.get("track") else keywords.get("count", 5))
    for i in range(frequencies.shape[1]):
        for name, values in ((f"f{i + 1}_hz", frequencies[:, i]), (f"b{i + 1}_hz", bandwidths[:, i])):
            assert columns[name] == ["NaN" if np.isnan(v) else f"{v:.6g}" for v in values], name
    times, decibels = sound.intensity(min_pitch=75, step=0.01)
    columns = _columns(cli_output("intensity", path, "--min-pitch", "75", "--step", "0.01"))
    assert columns["time_s"] == [f"{t:.6f}" for t in times]
    assert columns["intensity_db"] == [f"{v:.6g}" for v in decibels]
    with pytest.raises(tonalyx.UsageError) as refused:
        sound.formants(ceiling="high")
    assert str(refused.value) == cli_error("formants", path, "--ceiling", "high")
    with pytest.raises(tonalyx.UsageError) as refused:
        sound.formants(count=2, track=True)
    assert str(refused.value) == cli_error("formants", path, "--count", "2", "--track")


def test_pitch_at_a_fixed_step_equals_the_command_lines_steps(sounds):
    path = sounds["voice16k"]
    expected = cli_output("pitch", str(path), "--step", "0.01")
    sound = tonalyx.read(path)
    times, f0 = sound.pitch(step=0.01)
    columns = _columns(expected)
    assert len(times) == len(f0) == round(sound.seconds / 0.01)
    assert columns["time_s"] == [f"{t:.6f}" for t in times]
    assert columns["f0_hz"] == [f"{v:.6g}" for v in f0]
    assert np.count_nonzero(f0) > len(f0) // 3
    assert tonalyx.pitch_table(times, f0, file=str(path)) == expected
    with pytest.raises(tonalyx.UsageError, match="--step must be a number of seconds of at least"):
        sound.pitch(step=0)
    # A step shorter than the sound's sample period would repeat rows without end: refused as
    # the command line refuses it, whatever the float's spelling.
    with pytest.raises(tonalyx.UsageError, match="shorter than one sample period"):
        sound.pitch(step=0.5 / sound.rate)


SPECTRUM_CASES = [(k, {}, []) for k in tonalyx.KINDS if k != "pitch"] + [
    # The auto-correlation and cepstrum on their lag axis: rows in ms.
    (k, {"show_as_frequency": False}, ["--set", "showAsFrequency=false"]) for k in ("ac", "cep")
]


@pytest.mark.parametrize("kind, keywords, settings", SPECTRUM_CASES)
def test_spectrum_equals_the_command_lines_table(sounds, kind, keywords, settings):
    path = sounds["stereo44k"]
    sound = tonalyx.read(path)
    last = sound.levels(kind=kind, **keywords).image.shape[1] - 1
    for column, to_column in [(40, None), (10, 30), (0, 0), (last, None), (last - 3, last)]:
        options = ["--column", str(column)]
        if to_column is not None:
            options += ["--to-column", str(to_column)]
        columns = _columns(cli_output("spectrum", str(path), "--kind", kind, *options, *settings))
        spectrum = sound.spectrum(column, to_column, kind=kind, **keywords)
        assert (spectrum.lags is not None) == bool(keywords)
        positions = spectrum.lags if spectrum.frequencies is None else spectrum.frequencies
        position = "lag_ms" if spectrum.frequencies is None else "frequency_hz"
        level = "level_percent" if spectrum.unit == "%" else "level_db"
        assert columns[position] == [f"{p:.6g}" for p in positions]
        assert columns[level] == [f"{v:.6g}" for v in spectrum.levels]


def test_errors_carry_the_command_lines_messages(sounds, tmp_path):
    garbage = tmp_path / "garbage.wav"
    garbage.write_bytes(b"not a wave file at all" * 4)
    with pytest.raises(tonalyx.SoundError) as refused:
        tonalyx.read(garbage)
    assert str(refused.value) == cli_error("pitch", str(garbage))
    missing = tmp_path / "missing.wav"
    with pytest.raises(tonalyx.SoundError) as absent:
        tonalyx.read(missing)
    assert str(absent.value) == cli_error("pitch", str(missing))

    path = str(sounds["voice16k"])
    sound = tonalyx.read(path)
    cases = [
        (lambda: sound.pitch(fftSizeLog2=99), ["pitch", path, "--set", "fftSizeLog2=99"]),
        (lambda: sound.pitch(fftSize=9), ["pitch", path, "--set", "fftSize=9"]),
        (lambda: sound.pitch(fftsizelog2=9), ["pitch", path, "--set", "fftsizelog2=9"]),
        (lambda: sound.pitch(logScale="maybe"), ["pitch", path, "--set", "logScale=maybe"]),
        (lambda: sound.levels(columns=0), ["levels", path, "--columns", "0", "-o", "x.pgm"]),
        (lambda: sound.levels(kind="fourier"),
         ["levels", path, "--kind", "fourier", "-o", "x.pgm"]),
        (lambda: sound.levels(samples_per_column=3),
         ["levels", path, "--samples-per-column", "3", "-o", "x.pgm"]),
        (lambda: sound.levels(fit=True, first_column=2),
         ["levels", path, "--fit", "--first-column", "2", "-o", "x.pgm"]),
        (lambda: sound.spectrum(5, 4), ["spectrum", path, "--column", "5", "--to-column", "4"]),
        (lambda: sound.spectrum(5, kind="pitch"),
         ["spectrum", path, "--column", "5", "--kind", "pitch"]),
        (lambda: tonalyx.Settings(maxDb="x"), ["settings", "--set", "maxDb=x"]),
        # Settings that contradict each other are refused together, as the command line does.
        (lambda: sound.pitch(pitchMinFreq=400, pitchMaxFreq=100),
         ["pitch", path, "--set", "pitchMinFreq=400", "--set", "pitchMaxFreq=100"]),
        (lambda: sound.levels(minFreq=2000, maxFreq=1000),
         ["levels", path, "--set", "minFreq=2000", "--set", "maxFreq=1000", "-o", "x.pgm"]),
        (lambda: sound.levels(minDb=0, maxDb=-50),
         ["levels", path, "--set", "minDb=0", "--set", "maxDb=-50", "-o", "x.pgm"]),
        (lambda: sound.levels(minFreq=-500), ["levels", path, "--set", "minFreq=-500", "-o", "x.pgm"]),
        (lambda: sound.spectrum(3, minFreq=2000, maxFreq=1000),
         ["spectrum", path, "--column", "3", "--set", "minFreq=2000", "--set", "maxFreq=1000"]),
        (lambda: tonalyx.Settings(pitchMinFreq=400, pitchMaxFreq=100),
         ["settings", "--set", "pitchMinFreq=400", "--set", "pitchMaxFreq=100"]),
    ]
    for call, arguments in cases:
        with pytest.raises(tonalyx.UsageError) as error:
            call()
        assert str(error.value) == cli_error(*arguments), arguments

    # A column beyond the view fails the file, named as the command line names it.
    with pytest.raises(tonalyx.UsageError) as beyond:
        sound.spectrum(5000)
    assert str(beyond.value) == cli_error("spectrum", path, "--column", "5000")
    columns = sound.levels().image.shape[1]
    with pytest.raises(tonalyx.UsageError) as beyond:
        sound.spectrum(0, to_column=columns)
    assert str(beyond.value) == cli_error(
        "spectrum", path, "--column", "0", "--to-column", str(columns))


def test_a_clamped_first_column_is_said(sounds):
    path = str(sounds["voice16k"])
    run = run_cli("spectrum", path, "--column", "0", "--first-column", "100000")
    assert run.returncode == 0
    note = run.stderr.decode().strip().removeprefix("tonalyx-cli: ")
    with pytest.warns(tonalyx.TonalyxWarning) as caught:
        tonalyx.read(path).spectrum(0, first_column=100000)
    assert [str(w.message) for w in caught] == [note]


def test_read_reports_the_file_and_says_what_it_changed(sounds, tmp_path):
    sound = tonalyx.read(sounds["stereo44k"], channel=1)
    assert (sound.rate, sound.channels, sound.channel, sound.format) == (44100, 2, 1, "PCM 16-bit")
    assert tonalyx.read(sounds["short8bit"]).format == "PCM 8-bit"
    with pytest.warns(tonalyx.TonalyxWarning) as caught:
        assert tonalyx.read(sounds["stereo44k"], channel=5).channel == 1
    run = run_cli("pitch", str(sounds["stereo44k"]), "--set", "channelIndex=5")
    assert [str(w.message) for w in caught] == [
        run.stderr.decode().strip().removeprefix("tonalyx-cli: ")]

    long_path = write_wave(tmp_path / "long.wav", [voice(8000, 2.5, 150)], 8000)
    with pytest.warns(tonalyx.TonalyxWarning, match="maxSoundLength 1 s") as caught:
        cut = tonalyx.read(long_path, maxSoundLength=1)
    assert len(cut) == 8000 and cut.file_seconds == 2.5
    assert "max_seconds=S or whole=True reads more" in str(caught[0].message)
    # max_seconds and whole read as --max-seconds and --whole do, beyond maxSoundLength.
    with pytest.warns(tonalyx.TonalyxWarning, match=r"first 1\.5 s of 2\.5 s \(max_seconds=1\.5\)"):
        part = tonalyx.read(long_path, max_seconds=1.5, maxSoundLength=1)
    assert len(part) == 12000
    assert tonalyx.pitch_table(*part.pitch(), file=str(long_path)) == cli_output(
        "pitch", str(long_path), "--max-seconds", "1.5")
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert len(tonalyx.read(long_path, max_seconds=600)) == 20000
        whole = tonalyx.read(long_path, whole=True, maxSoundLength=1)
        # The streamed track: the same values, the file never loaded.
        for step in (None, 0.01):
            streamed = tonalyx.stream_pitch(long_path, step=step, whole=True, maxSoundLength=1,
                                            pitchMinFreq=70)
            held = whole.pitch(step=step, pitchMinFreq=70)
            np.testing.assert_array_equal(streamed.times, held.times)
            np.testing.assert_array_equal(streamed.f0, held.f0)
    np.testing.assert_array_equal(whole.samples, tonalyx.read(long_path).samples)
    with pytest.warns(tonalyx.TonalyxWarning, match=r"first 1\.5 s of 2\.5 s \(max_seconds=1\.5\)"):
        np.testing.assert_array_equal(tonalyx.stream_pitch(long_path, max_seconds=1.5).f0,
                                      tonalyx.read(long_path, max_seconds=1.5).pitch().f0)
    with pytest.raises(tonalyx.SoundError, match="cannot open"):
        tonalyx.stream_pitch(tmp_path / "missing.wav")
    for keywords, message in [({"max_seconds": 0}, "max_seconds must be"),
                              ({"max_seconds": 2, "whole": True}, "whole reads all of each file")]:
        with pytest.raises(tonalyx.UsageError, match=message):
            tonalyx.read(long_path, **keywords)


@pytest.mark.parametrize(
    "extension, reader, container, codec",
    [
        ("wav", "wave", "WAV", "PCM 16-bit"),
        ("flac", "libsndfile", "FLAC", "FLAC 16-bit"),
        ("aiff", "libsndfile", "AIFF", "PCM 16-bit"),
    ],
)
def test_other_containers_read_and_analyse_as_the_wave(sounds, tmp_path, extension, reader,
                                                       container, codec):
    wave_path = sounds["stereo44k"]
    path = convert(wave_path, tmp_path / f"stereo.{extension}")
    sound = tonalyx.read(path, channel=1)
    described = (sound.reader, sound.container, sound.codec, sound.format, sound.channels)
    assert described == (reader, container, codec, codec, 2)
    info = cli_output("info", str(path)).decode()
    assert f"reader: {reader} (" in info and f"container: {container}\n" in info
    assert f"codec: {codec}\n" in info
    assert (sound.rate, sound.frames_in_file, sound.channel) == (44100, 26460, 1)

    reference = tonalyx.read(wave_path, channel=1)
    np.testing.assert_array_equal(sound.samples, reference.samples)
    for kind in ("fft", "cep"):
        np.testing.assert_array_equal(sound.levels(kind=kind).image,
                                      reference.levels(kind=kind).image)
    times, f0 = sound.pitch()
    np.testing.assert_array_equal(f0, reference.pitch().f0)
    expected = cli_output("pitch", str(path), "--set", "channelIndex=1")
    assert tonalyx.pitch_table(times, f0, file=str(path)) == expected


def test_a_file_shorter_than_its_header_claims_is_said(sounds, tmp_path):
    whole = sounds["voice16k"].read_bytes()
    cut = tmp_path / "cut.wav"
    cut.write_bytes(whole[: len(whole) - 2000])
    with pytest.warns(tonalyx.TonalyxWarning) as caught:
        sound = tonalyx.read(cut)
    run = run_cli("pitch", str(cut))
    assert [str(w.message) for w in caught] == [
        run.stderr.decode().strip().removeprefix("tonalyx-cli: ")]
    claimed = (len(whole) - 44) // 2
    assert f"holds {claimed - 1000} of the {claimed} samples" in str(caught[0].message)
    assert len(sound) == sound.frames_in_file == claimed - 1000


def test_from_array_round_trips(sounds, tmp_path):
    samples = voice(16000, 1.2, 140)
    sound = tonalyx.Sound.from_array(samples, 16000)
    np.testing.assert_array_equal(sound.samples, samples)
    # The samples are a read-only view of the sound, not a copy per access.
    assert np.shares_memory(sound.samples, sound.samples)
    with pytest.raises(ValueError):
        sound.samples[0] = 1
    assert (sound.rate, sound.channels, sound.path, sound.format) == (16000, 1, None, "array")
    assert (sound.reader, sound.container, sound.frames_in_file) == ("", "", len(samples))

    # The same samples from a file analyse the same.
    read = tonalyx.read(sounds["voice16k"])
    np.testing.assert_array_equal(read.samples, samples)
    for kind in ("fft", "mem", "pitch"):
        np.testing.assert_array_equal(sound.levels(kind=kind).image, read.levels(kind=kind).image)
    np.testing.assert_array_equal(sound.pitch().f0, read.pitch().f0)
    again = tonalyx.Sound.from_array(read.samples, read.rate)
    np.testing.assert_array_equal(again.samples, read.samples)
    # Other integer types are taken when their values fit.
    np.testing.assert_array_equal(
        tonalyx.Sound.from_array(samples.astype(np.int64), 16000).samples, samples)

    with pytest.raises(TypeError, match="integers"):
        tonalyx.Sound.from_array(samples / 32768.0, 16000)
    with pytest.raises(ValueError, match="sample 1 is 40000, outside the 16-bit range"):
        tonalyx.Sound.from_array(np.array([0, 40000]), 16000)
    with pytest.raises(ValueError, match="outside the 16-bit range"):
        tonalyx.Sound.from_array(np.array([2**64 - 1], np.uint64), 16000)
    with pytest.raises(ValueError, match="at least one sample"):
        tonalyx.Sound.from_array(np.zeros(0, np.int16), 16000)
    with pytest.raises(ValueError, match="one-dimensional"):
        tonalyx.Sound.from_array(np.zeros((2, 2), np.int16), 16000)
    for rate, shown in [(0, "0"), (16000.7, "16000.7"), (1e30, "1e\\+30"), (float("nan"), "nan")]:
        message = f"whole number of Hz from 1 to 2\\^31 - 1, not {shown}$"
        with pytest.raises(ValueError, match=message):
            tonalyx.Sound.from_array(samples, rate)
    assert tonalyx.Sound.from_array(samples, 16000.0).rate == 16000


def test_sounds_pickle_with_their_description(sounds, tmp_path):
    long_path = write_wave(tmp_path / "long.wav", [voice(8000, 2.5, 150)], 8000)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", tonalyx.TonalyxWarning)
        originals = [tonalyx.read(sounds["stereo44k"], channel=1),
                     tonalyx.read(long_path, maxSoundLength=1),
                     tonalyx.read(sounds["short8bit"], channel=3),
                     tonalyx.Sound.from_array(voice(16000, 0.3, 200), 16000)]
    described = ("rate", "path", "channel", "channels", "reader", "container", "codec",
                 "format", "format_tag", "bits_per_sample", "frames_in_file", "seconds",
                 "file_seconds")
    for original in originals:
        copy = pickle.loads(pickle.dumps(original))
        np.testing.assert_array_equal(copy.samples, original.samples)
        assert not copy.samples.flags.writeable
        assert [getattr(copy, name) for name in described] == [
            getattr(original, name) for name in described]
        assert copy._native.read_notes == original._native.read_notes
        assert repr(copy) == repr(original)
        np.testing.assert_array_equal(copy.levels(kind="mem").image,
                                      original.levels(kind="mem").image)
        np.testing.assert_array_equal(copy.pitch(step=0.01).f0, original.pitch(step=0.01).f0)


def test_version_and_the_command_line_in_process(sounds):
    version = cli_output("--version").decode()
    assert tonalyx.__version__ and tonalyx.__version__ in version
    assert "returns (status, out, err)" in tonalyx.run_cli.__doc__
    path = str(sounds["voice16k"])
    assert tonalyx.run_cli(["pitch", path]) == (0, cli_output("pitch", path), b"")
    contradiction = ["pitch", path, "--set", "pitchMinFreq=400", "--set", "pitchMaxFreq=100"]
    run = run_cli(*contradiction)
    assert tonalyx.run_cli(contradiction) == (2, b"", run.stderr) and run.returncode == 2
    # The package's names load when first used: importing it takes neither numpy nor pandas.
    check = ("import sys, tonalyx\n"
             "assert 'numpy' not in sys.modules and 'pandas' not in sys.modules\n"
             "from tonalyx import *\n"
             "assert all(hasattr(tonalyx, name) for name in tonalyx.__all__)\n"
             "assert set(tonalyx.__all__) <= set(dir(tonalyx))\n"
             "try:\n    tonalyx.reed\nexcept AttributeError as error:\n"
             "    assert 'reed' in str(error)\nelse:\n    raise AssertionError('tonalyx.reed')\n")
    run = subprocess.run([sys.executable, "-c", check], capture_output=True, check=False)
    assert run.returncode == 0, run.stderr.decode()


def test_threads_analyse_side_by_side_with_the_same_results(sounds):
    sound = tonalyx.read(sounds["stereo44k"])
    other = tonalyx.read(sounds["voice16k"])
    jobs = [
        lambda: sound.levels(kind="mem").image,
        lambda: other.pitch().f0,
        lambda: sound.levels(kind="lif", fit=True).image,
        lambda: other.spectrum(20, 40, kind="cep").levels,
    ]
    alone = [job() for job in jobs]
    together: list = [None] * (2 * len(jobs))

    def work(index: int) -> None:
        together[index] = jobs[index % len(jobs)]()

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(together))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for index, result in enumerate(together):
        np.testing.assert_array_equal(result, alone[index % len(jobs)])


def test_threads_collect_their_own_notes(sounds):
    from tonalyx._notes import collected_notes

    found: dict[int, list[str]] = {}

    def work(channel: int) -> None:
        with collected_notes() as notes:
            for _ in range(20):
                tonalyx.read(sounds["voice16k"], channel=channel)
        found[channel] = notes

    threads = [threading.Thread(target=work, args=(channel,)) for channel in (2, 3)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for channel in (2, 3):
        assert len(found[channel]) == 20
        assert all(f"channel {channel} does not exist" in note for note in found[channel])
    with pytest.warns(tonalyx.TonalyxWarning):  # outside, notes are warnings again
        tonalyx.read(sounds["voice16k"], channel=2)


def test_long_calls_let_other_threads_run(sounds):
    # With a switch interval this long the interpreter never takes the GIL from a thread: the
    # main thread runs again only when the analysis thread lets go of it. When the call
    # releases it, that is while the analysis still runs.
    sound = tonalyx.Sound.from_array(np.tile(voice(16000, 1.2, 140), 10), 16000)
    calls = [sound.pitch, lambda: sound.levels(kind="mem", fit=True),
             lambda: sound.spectrum(10, 900, kind="lif", fit=True)]
    interval = sys.getswitchinterval()
    sys.setswitchinterval(100)
    try:
        for call in calls:
            done = threading.Event()
            thread = threading.Thread(target=lambda: (call(), done.set()))
            thread.start()
            still_running = not done.is_set()
            thread.join()
            assert still_running
    finally:
        sys.setswitchinterval(interval)


def test_settings_keywords_and_listing_follow_the_command_lines_table():
    assert tonalyx.Settings(fft_size_log2=9, max_db=90.5) == tonalyx.Settings(
        fftSizeLog2=9, maxDb=90.5)
    assert tonalyx.Settings(logScale=np.bool_(True)).assignments() == ["logScale=true"]
    listing = cli_output("settings").decode().splitlines()[1:]
    fields = tonalyx.setting_fields()
    assert [f.name for f in fields] == [line.split("\t")[0] for line in listing]
    assert [f.default for f in fields] == [line.split("\t")[3] for line in listing]


def test_textgrids_round_trip_and_broken_ones_are_refused_whole(tmp_path):
    grid = tonalyx.TextGrid(0.0, 1.0 / 3 + 1, [
        tonalyx.Tier("wörds", intervals=[(0.0, 0.1, ""), (0.1, 1.0 / 3 + 1, 'say "ʃi"\nok')]),
        tonalyx.Tier("marks", "point", points=[(0.2, "😀"), (0.2, "")]),
    ])
    for form in ("long", "short"):
        grid.write(tmp_path / f"{form}.TextGrid", format=form)
        assert tonalyx.read_textgrid(tmp_path / f"{form}.TextGrid") == grid
    broken = tonalyx.TextGrid(0.0, 1.0, [tonalyx.Tier("w", intervals=[(0.0, 0.6, "a"), (0.5, 1.0, "b")])])
    with pytest.raises(tonalyx.TextGridError, match=r"interval 2 starts at 0.5 s, but interval 1 ends at 0.6 s"):
        broken.write(tmp_path / "long.TextGrid")
    assert tonalyx.read_textgrid(tmp_path / "long.TextGrid") == grid  # the old file stays
    text = (tmp_path / "short.TextGrid").read_text(encoding="utf-8").replace("\n2\n", "\n3\n", 1)
    (tmp_path / "bad.TextGrid").write_text(text, encoding="utf-16")
    with pytest.raises(tonalyx.TextGridError, match=r"bad.TextGrid' line \d+: "):
        tonalyx.read_textgrid(tmp_path / "bad.TextGrid")


def test_measure_equals_the_command_lines_table(sounds, tmp_path):
    path = tmp_path / "voice.wav"
    path.write_bytes(sounds["voice16k"].read_bytes())
    grid = tonalyx.TextGrid(0.0, 1.5, [tonalyx.Tier("v", intervals=[
        (0.0, 0.01, "edge"), (0.01, 0.4, "a"), (0.4, 0.403, "b"), (0.403, 1.5, "c")])])
    grid.write(tmp_path / "voice.TextGrid", format="short")
    options = ["--tier", "v", "--points", "0.1,0.5", "--ceiling", "5000", "--set", "pitchMinFreq=70"]
    columns = _columns(cli_output("measure", str(path), "--missing-as", "nan", *options))
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", tonalyx.TonalyxWarning)  # "c" runs past the sound's end
        table = tonalyx.read(path).measure(grid, "v", points=(0.1, 0.5), ceiling=5000, pitch_min_freq=70)
    assert list(table.columns) == list(columns)
    assert list(table["label"]) == columns["label"] == ["edge", "a", "b", "c"]
    for name in list(columns)[6:]:
        assert [f"{v:.6g}" if v == v else "NaN" for v in table[name]] == columns[name], name
    assert 140 * 0.92 <= table["f0_mean_hz"][1] <= 140 * 1.08  # the voice's glide
    assert np.isnan(table["f1_hz_at_10"][0])  # before the first formant frame
    with pytest.raises(tonalyx.UsageError) as refused:
        tonalyx.read(path).measure(grid, "v", points=(0.5, 2))
    assert str(refused.value) == cli_error("measure", str(path), "--tier", "v", "--points", "0.5,2")


@pytest.mark.parametrize("kind", tonalyx.KINDS)
def test_level_values_are_the_window_export_behind_the_image(sounds, tmp_path, kind):
    """The unclipped levels against the spectrum table of the same columns (the window's
    export writes the same values), the image against its documented mapping, and the image
    files against the command line's."""
    path = str(sounds["stereo44k"])
    sound = tonalyx.read(path)
    levels = sound.levels(kind=kind, columns=300, fit=True)
    for image_format in ("png", "pgm"):
        out = tmp_path / f"levels.{image_format}"
        cli_output("levels", path, "--kind", kind, "--columns", "300", "--fit", "-o", str(out))
        saved = tmp_path / f"saved.{image_format}"
        levels.save(saved)
        assert saved.read_bytes() == out.read_bytes() == levels.encode(image_format)
    if kind == "pitch":
        assert levels.values is None and levels.unit is None
        return
    assert levels.values.shape == levels.image.shape and levels.values.dtype == np.float64
    percent = kind in ("ac", "cep")
    assert levels.unit == ("%" if percent else "log10" if kind == "lif" else "dB")
    for column in (0, 17, 299):
        table = _columns(cli_output("spectrum", path, "--kind", kind, "--columns", "300", "--fit",
                                    "--column", str(column)))
        name = "level_percent" if percent else "level_db"
        assert table[name] == [f"{v:.6g}" for v in levels.values[::-1, column]]
    fields = {f.name: float(f.default) for f in tonalyx.setting_fields()
              if f.name in ("minDb", "maxDb", "minPercent", "maxPercent")}
    low, high = ((fields["minPercent"] * 100, fields["maxPercent"] * 100) if percent
                 else (fields["minDb"], fields["maxDb"]))
    expected = np.clip(np.floor(256 * (levels.values - low) / (high - low)), 0, 255)
    # Values printed to 17 digits may sit on a level's edge: all but a few agree.
    assert np.mean(expected == levels.image) > 0.999
    if kind in ("lif", "fft"):
        # Silent frames lie below the log floor, and tables write them as missing.
        half = np.concatenate([np.zeros(8000, np.int16), voice(16000, 0.5, 150)])
        silent = tonalyx.Sound.from_array(half, 16000)
        assert silent.levels(kind=kind).values[:, 0].max() <= (-300 if kind == "lif" else -3000)
        folder = tmp_path / "half.wav"
        write_wave(folder, [half], 16000)
        rows = _columns(cli_output("spectrum", str(folder), "--kind", kind, "--column", "3",
                                   "--missing-as", "empty"))["level_db"]
        assert rows == [""] * len(rows)
        rows = _columns(cli_output("spectrum", str(folder), "--kind", kind, "--column", "900",
                                   "--missing-as", "empty"))["level_db"]
        assert "" not in rows


def test_formant_and_intensity_tables_equal_the_command_lines(sounds):
    path = str(sounds["voice16k"])
    sound = tonalyx.read(path)
    times, frequencies, bandwidths = sound.formants(step=0.01)
    for options in ([], ["--missing-as", "empty"]):
        missing = options[1] if options else None
        written = tonalyx.formant_table(times, frequencies, bandwidths, path, missing_as=missing)
        assert written == cli_output("formants", path, "--step", "0.01", *options)
    times, decibels = tonalyx.Sound.from_array(
        np.concatenate([np.zeros(8000, np.int16), sound.samples]), 16000).intensity(step=0.01)
    assert decibels.min() == -300  # the silent start
    for table_format, missing in (("csv", None), ("tsv", "nan")):
        written = tonalyx.intensity_table(times, decibels, "x.wav", table_format, missing)
        rows = written.decode().splitlines()
        assert rows[0].split("," if table_format == "csv" else "\t") == [
            "file", "time_s", "intensity_db"]
        assert len(rows) == len(times) + 1
        assert rows[1].endswith("-300" if missing is None else "NaN")
