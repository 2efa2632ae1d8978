"""The corpus runner on a generated corpus, on two local workers and on Dask."""

from __future__ import annotations

import contextlib
import csv
import json
import multiprocessing
import os
import signal
import stat
import subprocess
import threading
import time
from pathlib import Path

import numpy as np
import psutil
import pytest

import tonalyx
from tonalyx._corpus_files import (InputError, InputFile, RunOptions, collect_inputs,
                                   input_fingerprint, is_complete, make_job)
from tonalyx._corpus_task import analysis_modules
from tonalyx._local_workers import run_on_local_workers
from conftest import cli_error, cli_output, convert, voice, write_wave

KINDS = ["fft", "ac"]
PYTHON = "/usr/bin/python3"


@pytest.fixture(scope="module")
def corpus(tmp_path_factory: pytest.TempPathFactory) -> Path:
    """Two dozen voices, one in a sub-folder, one with a blank in its name, an 8-bit stereo
    file, and three files the reader refuses."""
    folder = tmp_path_factory.mktemp("corpus")
    for index in range(24):
        write_wave(folder / f"voice{index:02}.wav", [voice(16000, 0.6, 100 + 7 * index, index)],
                   16000)
    write_wave(folder / "sub" / "deeper.wav", [voice(22050, 0.5, 160, 30)], 22050)
    write_wave(folder / "with blank.wav", [voice(16000, 0.5, 200, 31)], 16000)
    write_wave(folder / "stereo8.wav", [voice(8000, 0.5, 120, 32), voice(8000, 0.5, 240, 33)],
               8000, 1)
    (folder / "garbage.wav").write_bytes(b"no RIFF here" * 10)
    (folder / "empty.wav").write_bytes(b"")
    header_only = folder / "no data.wav"
    header_only.write_bytes((folder / "voice00.wav").read_bytes()[:44])
    (folder / "notes.md").write_text("not a sound; the folder search passes it by\n")
    return folder


def sound_files(corpus: Path) -> list[Path]:
    return sorted(p for p in corpus.rglob("*.wav"))


REFUSED = {"garbage.wav", "empty.wav", "no data.wav"}


@pytest.fixture(scope="module")
def reference(corpus: Path, tmp_path_factory: pytest.TempPathFactory) -> dict[str, dict]:
    """What tonalyx-cli writes for every file, or its message for a refused one."""
    images = tmp_path_factory.mktemp("reference")
    expected: dict[str, dict] = {}
    for path in sound_files(corpus):
        relative = str(path.relative_to(corpus))
        if path.name in REFUSED:
            message = cli_error("pitch", str(path))
            expected[relative] = {"error": message.removeprefix(f"{path}: ")}
            continue
        outputs = {"pitch.csv": cli_output("pitch", str(path))}
        for kind in KINDS:
            image = images / f"{len(expected)}.{kind}.png"
            cli_output("levels", str(path), "--kind", kind, "-o", str(image))
            outputs[f"{kind}.png"] = image.read_bytes()
        expected[relative] = outputs
    return expected


def start(corpus: Path, out: Path, *extra: str, env: dict | None = None) -> subprocess.Popen:
    command = [PYTHON, "-m", "tonalyx.corpus", str(corpus), "--out", str(out), "--levels",
               *KINDS, "--pitch", "--workers", "2", *extra]
    return subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            start_new_session=True, env=env)


def finish(process: subprocess.Popen) -> tuple[int, str]:
    _, err = process.communicate(timeout=300)
    return process.returncode, err.decode()


def results(out: Path) -> dict[str, bytes]:
    """Every result file under out, by relative path, without the records, the summary and
    its settings."""
    found = {}
    for path in out.rglob("*"):
        relative = str(path.relative_to(out))
        if path.is_file() and not relative.startswith(".tonalyx-corpus"):
            found[relative] = path.read_bytes()
    found.pop("summary.csv", None)
    found.pop("summary-settings.txt", None)
    return found


def summary(out: Path) -> dict[str, dict[str, str]]:
    with open(out / "summary.csv", newline="") as table:
        return {row["file"]: row for row in csv.DictReader(table)}


def check_against_reference(corpus: Path, out: Path, reference: dict[str, dict]) -> None:
    written = results(out)
    expected_names = {
        f"{relative}.{suffix}"
        for relative, outputs in reference.items() if "error" not in outputs
        for suffix in outputs
    }
    assert set(written) == expected_names
    for relative, outputs in reference.items():
        for suffix, data in outputs.items():
            if suffix != "error":
                assert written[f"{relative}.{suffix}"] == data, f"{relative}.{suffix}"
    rows = summary(out)
    assert set(rows) == {str(path) for path in sound_files(corpus)}
    for relative, outputs in reference.items():
        row = rows[str(corpus / relative)]
        if "error" in outputs:
            assert (row["status"], row["error"]) == ("refused", outputs["error"])
        else:
            assert (row["status"], row["error"]) == ("done", "")


def record_count(out: Path) -> int:
    """The files recorded: the lines of the runner's journal and the Dask workers' records."""
    records = out / ".tonalyx-corpus"
    if not records.exists():
        return 0
    journal = records / "records.jsonl"
    lines = journal.read_bytes().count(b"\n") if journal.exists() else 0
    return lines + len(list(records.rglob("*.json")))


def wait_for_records(out: Path, count: int, process: subprocess.Popen) -> int:
    while process.poll() is None:
        done = record_count(out)
        if done >= count:
            return done
        time.sleep(0.02)
    pytest.fail("the run ended before it could be interrupted: " + process.stderr.read().decode())


def a_file_started(out: Path) -> bool:
    """Whether a file's record says that a Dask worker is analysing it."""
    for record in (out / ".tonalyx-corpus").rglob("*.json"):
        with contextlib.suppress(OSError):
            if '"status": "started"' in record.read_text():
                return True
    return False


def kill_in_analysis(workers: list[psutil.Process], out: Path, on_dask: bool) -> None:
    """Kills the workers while one is analysing a file. The runner's own workers always have
    one; Dask's are frozen first, until their records show one started (between two files a
    Dask worker has none, and its death would fail no file)."""
    while on_dask:
        for worker in workers:
            worker.suspend()
        if a_file_started(out):
            break
        for worker in workers:
            worker.resume()
        time.sleep(0.005)
    for worker in workers:
        worker.kill()


def test_a_run_writes_what_the_command_line_writes_and_a_second_run_does_nothing(
        corpus, reference, tmp_path):
    out = tmp_path / "out"
    status, err = finish(start(corpus, out))
    assert status == 1, err  # the refused files
    check_against_reference(corpus, out, reference)
    assert "30/30 files: 27 done, 3 failed, 0 left" in err

    rows = summary(out)
    row = rows[str(corpus / "voice05.wav")]
    sound = tonalyx.read(corpus / "voice05.wav")
    f0 = sound.pitch().f0
    voiced = f0[f0 > 0]
    assert (row["format"], row["rate"], row["channels"]) == ("PCM 16-bit", "16000", "1")
    assert float(row["seconds"]) == pytest.approx(0.6)
    assert float(row["voiced_share"]) == pytest.approx(len(voiced) / len(f0), abs=1e-6)
    for column, share in [("f0_p5_hz", 5), ("f0_median_hz", 50), ("f0_p95_hz", 95)]:
        assert float(row[column]) == pytest.approx(np.percentile(voiced, share), rel=1e-5)
    stereo = rows[str(corpus / "stereo8.wav")]
    assert (stereo["format"], stereo["channels"]) == ("PCM 8-bit", "2")

    # Every file but the summary and its settings stays as it was (folders change: the run
    # tries them first with a file it removes).
    before = {p: p.stat().st_mtime_ns for p in out.rglob("*")
              if p.is_file() and not p.name.startswith("summary")}
    status, err = finish(start(corpus, out))
    assert status == 1
    assert "27 done (30 from before), 3 failed, 0 left" in err
    assert {p: p.stat().st_mtime_ns for p in out.rglob("*")
            if p.is_file() and not p.name.startswith("summary")} == before
    check_against_reference(corpus, out, reference)

    # A lost output and a changed input are redone, and only they.
    (out / "voice03.wav.ac.png").unlink()
    changed = corpus / "voice04.wav"
    os.utime(changed, ns=(changed.stat().st_atime_ns, changed.stat().st_mtime_ns + 10**9))
    status, err = finish(start(corpus, out))
    assert "27 done (28 from before), 3 failed, 0 left" in err
    check_against_reference(corpus, out, reference)
    redone = {p.name for p, t in before.items() if p.is_file() and p.stat().st_mtime_ns != t}
    assert redone == {"records.jsonl"} | {
        f"voice0{n}.wav.{suffix}" for n in (3, 4) for suffix in ("pitch.csv", "fft.png", "ac.png")
    }
    assert record_count(out) == 32  # the first run's 30 and the two redone


def test_records_know_the_options_and_the_input_they_were_made_with(corpus, tmp_path):
    source = corpus / "voice00.wav"
    path = tmp_path / "copy.wav"
    path.write_bytes(source.read_bytes())
    options = RunOptions(kinds=("fft",))
    job = make_job(InputFile(str(path), "copy.wav"), str(tmp_path), options)
    for output in job.outputs():
        Path(output).write_bytes(b"whole")
    record = {"status": "done", "fingerprint": job.fingerprint}
    assert is_complete(job, record)
    other = input_fingerprint(job.path, RunOptions(kinds=("fft",), settings=("pitchMinFreq=70",)))
    assert not is_complete(job, {**record, "fingerprint": other})
    assert not is_complete(job, {**record, "status": "failed"})
    assert is_complete(job, {**record, "status": "refused"})
    # Other bytes of the same size, with the old modification time put back: the change time
    # still tells.
    before = path.stat()
    time.sleep(0.01)
    path.write_bytes((corpus / "voice01.wav").read_bytes())
    os.utime(path, ns=(before.st_atime_ns, before.st_mtime_ns))
    assert path.stat().st_size == before.st_size and path.stat().st_mtime_ns == before.st_mtime_ns
    assert input_fingerprint(job.path, options) != job.fingerprint
    Path(job.pitch_output()).unlink()
    assert not is_complete(job, record)


def test_a_killed_run_resumes_and_finishes_with_the_same_outputs(corpus, reference, tmp_path):
    out = tmp_path / "killed"
    process = start(corpus, out)
    finished_before = wait_for_records(out, 6, process)
    workers = psutil.Process(process.pid).children()
    process.kill()  # the runner alone: its workers end by themselves
    process.wait()
    _, alive = psutil.wait_procs(workers, timeout=10)
    assert not alive
    assert finished_before < 30
    # A record cut short, as by a crash in its write: skipped, and the next starts a new line.
    journal = out / ".tonalyx-corpus" / "records.jsonl"
    with open(journal, "ab") as records:
        records.write(b'{"relative": "voice00.wav", "record": {"sta')
    status, err = finish(start(corpus, out))
    assert status == 1, err
    assert "from before" in err
    check_against_reference(corpus, out, reference)
    assert not [p for p in out.rglob("*.part*")]
    lines = journal.read_bytes().splitlines()
    whole = [line for line in lines if not line.endswith(b'"sta')]
    assert len(lines) == 31 and len(whole) == 30
    assert {json.loads(line)["relative"] for line in whole} == set(reference)

    # A FIFO put in the journal's place is neither waited on nor replaced.
    fifo_out = tmp_path / "fifo"
    (fifo_out / ".tonalyx-corpus").mkdir(parents=True)
    os.mkfifo(fifo_out / ".tonalyx-corpus" / "records.jsonl")
    status, err = finish(start(corpus, fifo_out))
    assert status == 1 and "cannot keep the files' records" in err, err
    assert stat.S_ISFIFO((fifo_out / ".tonalyx-corpus" / "records.jsonl").lstat().st_mode)


# The runner's own workers take one file each; one Dask worker takes them in batches.
@pytest.mark.parametrize("road", [("--workers", "2"),
                                  ("--workers", "1", "--host", "127.0.0.1")])
def test_a_file_whose_worker_dies_is_recorded_and_the_others_go_on(corpus, reference, tmp_path,
                                                                    road):
    # Without retries, the task on a Dask worker that dies fails at once.
    environment = {**os.environ, "DASK_DISTRIBUTED__SCHEDULER__ALLOWED_FAILURES": "0"}
    out = tmp_path / "worker died"
    process = start(corpus, out, *road, env=environment)
    wait_for_records(out, 3, process)
    # The runner's own workers are forked from it; Dask's from its fork server.
    on_dask = "--host" in road
    children = psutil.Process(process.pid).children()
    server = [child for child in children if "forkserver" in " ".join(child.cmdline())]
    assert len(server) == on_dask
    processes = server[0].children() if on_dask else children
    workers = int(road[1])
    assert len(processes) == workers
    kill_in_analysis(processes, out, on_dask)
    status, err = finish(process)
    assert status == 1, err
    rows = summary(out)
    died = [row for row in rows.values() if row["status"] == "failed"]
    # Only the files in analysis (one a worker, or one a Dask worker thread), not the others.
    assert 1 <= len(died) <= workers
    assert all(row["error"] == "the worker died while analysing this file" for row in died)
    statuses = [row["status"] for row in rows.values()]
    assert len(statuses) == 30 and set(statuses) <= {"done", "failed", "refused"}
    if not on_dask:  # new workers took the other files
        assert statuses.count("done") + statuses.count("refused") == 30 - len(died)
    # What the dead workers were writing is gone with the run.
    assert not list(out.rglob(".tonalyx-*.tmp"))
    status, err = finish(start(corpus, out))
    assert status == 1, err
    check_against_reference(corpus, out, reference)


def test_a_file_whose_worker_dies_before_taking_it_goes_to_a_new_worker(corpus, tmp_path):
    options = RunOptions()
    jobs = [make_job(InputFile(str(corpus / name), name), str(tmp_path), options)
            for name in ("voice00.wav", "voice01.wav")]
    before = set(multiprocessing.active_children())
    finished = run_on_local_workers(jobs, 1, analysis_modules(options))
    with contextlib.closing(finished):
        assert next(finished)[1]["status"] == "done"
        # The worker waits for its next file: stopped, it cannot take the one it is given,
        # and it is killed while the runner waits for its record.
        (started,) = set(multiprocessing.active_children()) - before
        worker = psutil.Process(started.pid)
        worker.suspend()
        threading.Timer(0.3, worker.kill).start()
        job, record = next(finished)
    assert (job.name, record["status"]) == (str(corpus / "voice01.wav"), "done")
    assert not worker.is_running()


def test_ctrl_c_stops_cleanly_and_the_next_run_resumes(corpus, reference, tmp_path):
    out = tmp_path / "interrupted"
    process = start(corpus, out)
    wait_for_records(out, 4, process)
    os.killpg(process.pid, signal.SIGINT)
    status, err = finish(process)
    assert status == 130, err
    assert "interrupted:" in err and "run again to finish them" in err
    # The workers ignore the group's Ctrl+C: only the runner answers it, in one line.
    assert "Traceback" not in err and "KeyboardInterrupt" not in err
    assert len([line for line in err.splitlines() if "files:" not in line]) == 1, err
    assert not list(out.rglob(".tonalyx-*.tmp"))
    rows = summary(out)
    assert len(rows) == 30 and any(row["status"] == "not done" for row in rows.values())
    status, err = finish(start(corpus, out))
    assert status == 1, err
    check_against_reference(corpus, out, reference)


def test_globs_list_files_and_a_step(corpus, tmp_path):
    listing = tmp_path / "files.txt"
    listing.write_text(
        f"# two voices\n{corpus / 'voice01.wav'}\n\n{corpus / 'sub' / 'deeper.wav'}\n")
    out = tmp_path / "stepped"
    run = subprocess.run(
        [PYTHON, "-m", "tonalyx.corpus", str(listing), str(corpus / "voice1[0-1].wav"),
         "--out", str(out), "--step", "0.01", "--workers", "2"],
        capture_output=True, check=False, cwd=tmp_path)
    assert run.returncode == 0, run.stderr.decode()
    tables = {p.name: p.read_bytes() for p in out.rglob("*.pitch.csv")}
    assert set(tables) == {"voice01.wav.pitch.csv", "deeper.wav.pitch.csv",
                           "voice10.wav.pitch.csv", "voice11.wav.pitch.csv"}
    deeper = corpus / "sub" / "deeper.wav"
    sound = tonalyx.read(deeper)
    assert tables["deeper.wav.pitch.csv"] == tonalyx.pitch_table(*sound.pitch(step=0.01),
                                                                 file=str(deeper))

    bad = subprocess.run([PYTHON, "-m", "tonalyx.corpus", str(corpus / "nothing*.wav"),
                          "--out", str(out)], capture_output=True, check=False)
    assert bad.returncode == 2 and b"no file matches" in bad.stderr
    bad = subprocess.run([PYTHON, "-m", "tonalyx.corpus", str(corpus), "--out", str(out),
                          "--set", "fftSizeLog2=99"], capture_output=True, check=False)
    assert bad.returncode == 2
    assert bad.stderr.decode().strip() == "tonalyx.corpus: " + cli_error(
        "settings", "--set", "fftSizeLog2=99")


def test_inputs_are_found_once_with_their_relative_paths(corpus, tmp_path, monkeypatch):
    monkeypatch.chdir(corpus)
    listing = tmp_path / "more.lst"
    listing.write_text("voice02.wav\n# a comment\n\nvoice03.wav\n")
    (tmp_path / "voice02.wav").write_bytes(b"")
    found = collect_inputs(
        ["sub", "voice0[01].wav", str(listing), "missing.wav", "voice01.wav"])
    assert [(entry.path, entry.relative) for entry in found] == [
        (os.path.join("sub", "deeper.wav"), "deeper.wav"),
        ("voice00.wav", "voice00.wav"),
        ("voice01.wav", "voice01.wav"),
        (str(tmp_path / "voice02.wav"), str(tmp_path / "voice02.wav").lstrip(os.sep)),
        (str(tmp_path / "voice03.wav"), str(tmp_path / "voice03.wav").lstrip(os.sep)),
        ("missing.wav", "missing.wav"),
    ]
    assert len(collect_inputs([".", "sub"])) == 30  # sub/deeper.wav once
    for folder in ("a", "b"):
        (tmp_path / folder).mkdir()
        (tmp_path / folder / "x.wav").write_bytes(b"")
    with pytest.raises(InputError, match="the same place"):
        collect_inputs([str(tmp_path / "a"), str(tmp_path / "b")])
    with pytest.raises(InputError, match="no file matches"):
        collect_inputs(["nothing*.wav"])


# Debian's tornado warns about the way distributed 2022.12 starts its event loop.
@pytest.mark.filterwarnings("ignore:make_current is deprecated:DeprecationWarning")
def test_an_existing_cluster_runs_the_files_and_stays_up(corpus, reference, tmp_path):
    from distributed import Client, LocalCluster

    listing = tmp_path / "files.txt"
    listing.write_text("".join(f"{corpus / name}\n" for name in
                               ("voice07.wav", "with blank.wav", "garbage.wav")))
    out = tmp_path / "cluster"
    with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster:
        run = subprocess.run(
            [PYTHON, "-m", "tonalyx.corpus", str(listing), "--out", str(out), "--levels",
             *KINDS, "--pitch", "--scheduler", cluster.scheduler_address],
            capture_output=True, check=False)
        assert run.returncode == 1, run.stderr.decode()
        with Client(cluster) as client:
            assert len(client.scheduler_info()["workers"]) == 2
        # Inputs and results named relative to a folder the workers were not started in.
        elsewhere = tmp_path / "elsewhere"
        (elsewhere / "in").mkdir(parents=True)
        for name in ("voice07.wav", "with blank.wav"):
            (elsewhere / "in" / name).write_bytes((corpus / name).read_bytes())
        run = subprocess.run(
            [PYTHON, "-m", "tonalyx.corpus", "in", "--out", "results", "--levels", *KINDS,
             "--pitch", "--scheduler", cluster.scheduler_address],
            capture_output=True, check=False, cwd=elsewhere)
        assert run.returncode == 0, run.stderr.decode()
    for name in ("voice07.wav", "with blank.wav"):
        relative = str((corpus / name).relative_to("/"))
        for suffix, data in reference[name].items():
            assert (out / f"{relative}.{suffix}").read_bytes() == data
            moved = elsewhere / "results" / f"{name}.{suffix}"
            if suffix == "pitch.csv":  # the file column names the input as it was given
                data = data.replace(str(corpus / name).encode(), f"in/{name}".encode())
            assert moved.read_bytes() == data
        assert (elsewhere / "results" / ".tonalyx-corpus" / f"{name}.json").is_file()
    assert sorted(summary(elsewhere / "results")) == ["in/voice07.wav", "in/with blank.wav"]
    rows = summary(out)
    assert rows[str(corpus / "garbage.wav")]["error"] == reference["garbage.wav"]["error"]


def test_the_summary_describes_other_containers_and_says_what_the_reading_changed(tmp_path):
    long_path = write_wave(tmp_path / "in" / "long.wav", [voice(8000, 2.5, 150)], 8000)
    stereo = write_wave(tmp_path / "stereo.wav",
                        [voice(16000, 0.5, 120, 1), voice(16000, 0.5, 240, 2)], 16000)
    flac = convert(stereo, tmp_path / "in" / "stereo.flac")
    out = tmp_path / "out"
    run = subprocess.run(
        [PYTHON, "-m", "tonalyx.corpus", str(long_path), str(flac), "--out", str(out),
         "--workers", "1", "--set", "maxSoundLength=1", "--set", "channelIndex=1", "--pitch",
         "--formants", "--intensity", "--step", "0.01"],
        capture_output=True, check=False)
    assert run.returncode == 0, run.stderr.decode()
    rows = summary(out)
    row = rows[str(long_path)]
    assert (row["seconds"], row["file_seconds"], row["channel"]) == ("1", "2.5", "0")
    assert "maxSoundLength 1 s" in row["notes"] and "--max-seconds S or --whole" in row["notes"]
    assert "maxSoundLength 1 s" in run.stderr.decode()
    # The statistics against a direct computation on the same track.
    with pytest.warns(tonalyx.TonalyxWarning):
        sound = tonalyx.read(long_path, channel=1, maxSoundLength=1)
    f0 = sound.pitch(step=0.01).f0
    voiced = f0[f0 > 0]
    expected = {"voiced_seconds": len(voiced) / len(f0) * 1.0, "f0_mean_hz": voiced.mean(),
                "f0_sd_hz": voiced.std(ddof=1), "f0_min_hz": voiced.min(),
                "f0_max_hz": voiced.max(),
                "f0_range_st": 12 * np.log2(voiced.max() / voiced.min())}
    for column, value in expected.items():
        assert float(row[column]) == pytest.approx(value, rel=1e-5), column
    times, frequencies, _ = sound.formants(step=0.01)
    for index in range(3):
        values = frequencies[:, index]
        assert float(row[f"f{index + 1}_median_hz"]) == pytest.approx(
            np.median(values[~np.isnan(values)]), rel=1e-5)
    decibels = sound.intensity(step=0.01).decibels
    assert float(row["intensity_mean_db"]) == pytest.approx(
        10 * np.log10(np.mean(10 ** (decibels / 10))), rel=1e-6)
    base = out / str(long_path.relative_to("/"))
    for measure in ("formants", "intensity"):
        assert Path(f"{base}.{measure}.csv").read_bytes() == cli_output(
            measure, str(long_path), "--step", "0.01", "--set", "maxSoundLength=1")
    settings = (out / "summary-settings.txt").read_text().splitlines()
    assert {"step=0.01", "maxSoundLength=1", "channelIndex=1", "fftSizeLog2=11"} <= set(settings)
    # The mono file has no channel 1: the command line's own note.
    assert "channel 1 does not exist in 1 channel; read channel 0, the last one" in row["notes"]
    row = rows[str(flac)]
    assert (row["format"], row["rate"], row["channels"], row["seconds"]) == (
        "FLAC 16-bit", "16000", "2", "0.5")
    assert (row["status"], row["notes"]) == ("done", "")
    table = out / f"{flac.relative_to('/')}.pitch.csv"
    assert table.read_bytes() == cli_output("pitch", str(flac), "--set", "maxSoundLength=1",
                                            "--set", "channelIndex=1", "--step", "0.01")
    # A run of the pitch table alone streams each file instead of loading it: the same table,
    # description, statistics and notes, and not a module of numpy in the runner's process.
    streamed = tmp_path / "streamed"
    stream_run = (f"import sys\nfrom tonalyx.corpus import main\n"
                  f"status = main([{str(long_path)!r}, {str(flac)!r}, '--out', "
                  f"{str(streamed)!r}, '--workers', '1', '--set', 'maxSoundLength=1', "
                  f"'--set', 'channelIndex=1', '--step', '0.01'])\n"
                  f"assert status == 0 and 'numpy' not in sys.modules, status\n")
    run = subprocess.run([PYTHON, "-c", stream_run], capture_output=True, check=False)
    assert run.returncode == 0, run.stderr.decode()
    streamed_rows = summary(streamed)
    assert set(streamed_rows) == {str(long_path), str(flac)}
    assert "maxSoundLength 1 s" in streamed_rows[str(long_path)]["notes"]
    for path, streamed_row in streamed_rows.items():
        # The notes of the read come first in both; formants add one of their own.
        assert rows[path]["notes"].startswith(streamed_row.pop("notes")), path
        assert streamed_row == {column: rows[path][column] for column in streamed_row}, path
    for path in (long_path, flac):
        relative = f"{path.relative_to('/')}.pitch.csv"
        assert (streamed / relative).read_bytes() == (out / relative).read_bytes()

    # A name with a comma is quoted in its table, and its statistics are its twin's.
    twin = write_wave(tmp_path / "in" / "take 2.wav", [voice(16000, 0.8, 180)], 16000)
    comma = tmp_path / "in" / "Ørsted, take 2.wav"
    comma.write_bytes(twin.read_bytes())
    out = tmp_path / "out2"
    run = subprocess.run([PYTHON, "-m", "tonalyx.corpus", str(twin), str(comma), "--out",
                          str(out), "--workers", "1"], capture_output=True, check=False)
    assert run.returncode == 0, run.stderr.decode()
    rows = summary(out)
    for column in ("voiced_share", "f0_median_hz", "f0_p5_hz", "f0_p95_hz"):
        assert rows[str(comma)][column] == rows[str(twin)][column], column
    assert 160 < float(rows[str(comma)]["f0_median_hz"]) < 200
    assert (out / f"{comma.relative_to('/')}.pitch.csv").read_bytes() == cli_output(
        "pitch", str(comma))


@contextlib.contextmanager
def mounted(folder: Path, options: str):
    """A tmpfs mounted on folder with the options, where the system allows it (as root)."""
    folder.mkdir(parents=True, exist_ok=True)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", options, "tmpfs", str(folder)],
                      capture_output=True, check=False).returncode != 0:
        pytest.skip("no tmpfs can be mounted here")
    try:
        yield folder
    finally:
        subprocess.run(["umount", str(folder)], check=True)


def test_an_unwritable_results_folder_is_said_before_any_work(corpus, tmp_path):
    with mounted(tmp_path / "read-only", "ro,size=64k") as folder:
        for out in (folder, folder / "missing" / "results"):
            run = subprocess.run([PYTHON, "-m", "tonalyx.corpus", str(corpus), "--out", str(out)],
                                 capture_output=True, check=False)
            message = f"tonalyx.corpus: cannot write '{folder / 'summary.csv'}'" \
                if out == folder else "tonalyx.corpus: cannot write"
            assert run.returncode == 1
            assert run.stderr.decode().startswith(message), run.stderr.decode()
            assert run.stderr.decode().strip().endswith("Read-only file system")
            assert len(run.stderr.decode().splitlines()) == 1  # no work, no traceback


def test_a_full_disk_fails_the_files_it_hits_and_says_so(corpus, tmp_path):
    with mounted(tmp_path / "small", "size=160k") as out:
        status, err = finish(start(corpus, out))
        assert status == 1 and "Traceback" not in err, err
        assert "No space left on device" in err
        if (out / "summary.csv").exists():
            rows = summary(out)
            full = [row for row in rows.values() if "No space left on device" in row["error"]]
            assert full and all(row["status"] == "failed" for row in full)
        else:
            assert "the summary was not written: cannot write" in err
        assert not list(out.rglob(".tonalyx-*.tmp"))


def test_contradictory_options_are_a_usage_error_before_any_work(corpus, tmp_path):
    out = tmp_path / "never"
    contradiction = ["--set", "pitchMinFreq=400", "--set", "pitchMaxFreq=100"]
    for extra, cli in [(["--textgrid", "--tier", "v", "--points", "0.5,2"],
                        ["measure", "x.wav", "--tier", "v", "--points", "0.5,2"]),
                       (contradiction, ["pitch", "x.wav", *contradiction]),
                       (["--whole", "--max-seconds", "5"],
                        ["pitch", "x.wav", "--whole", "--max-seconds", "5"]),
                       (["--step", "0"], ["pitch", "x.wav", "--step", "0"])]:
        run = subprocess.run([PYTHON, "-m", "tonalyx.corpus", str(corpus), "--out", str(out),
                              *extra], capture_output=True, check=False)
        assert run.returncode == 2
        assert run.stderr.decode().strip() == "tonalyx.corpus: " + cli_error(*cli)
        assert not out.exists()
    run = subprocess.run([PYTHON, "-m", "tonalyx.corpus", str(corpus), "--out", str(out),
                          "--host", "127.0.0.1", "--scheduler", "127.0.0.1:1"],
                         capture_output=True, check=False)
    assert (run.returncode, out.exists()) == (2, False)
    assert b"--scheduler" in run.stderr and b"Traceback" not in run.stderr
    without_dask = ("import runpy, sys; sys.modules['distributed'] = None; "
                    f"sys.argv[1:] = ['{corpus}', '--out', '{out}', '--host', '127.0.0.1']; "
                    "runpy.run_module('tonalyx.corpus', run_name='__main__')")
    run = subprocess.run([PYTHON, "-c", without_dask], capture_output=True, check=False)
    assert (run.returncode, out.exists()) == (2, False), run.stderr
    assert b"python3-distributed" in run.stderr and b"Traceback" not in run.stderr


def listening_addresses(corpus: Path, out: Path, *extra: str) -> list[str]:
    """The addresses a run's processes listen on, asked of the system while it runs."""
    process = start(corpus, out, *extra)
    wait_for_records(out, 2, process)
    runner = psutil.Process(process.pid)
    addresses = [connection.laddr.ip
                 for member in [runner, *runner.children(recursive=True)]
                 for connection in member.connections(kind="inet")
                 if connection.status == psutil.CONN_LISTEN]
    os.killpg(process.pid, signal.SIGINT)
    finish(process)
    return addresses


def test_local_workers_listen_on_nothing_and_a_local_cluster_on_the_loopback(corpus, tmp_path):
    assert listening_addresses(corpus, tmp_path / "own") == []
    addresses = listening_addresses(corpus, tmp_path / "dask", "--host", "127.0.0.1")
    # The scheduler, both workers and the HTTP servers of each.
    assert len(addresses) >= 5 and set(addresses) == {"127.0.0.1"}, addresses


def test_textgrids_are_measured_into_one_table_and_a_missing_one_fails_its_file(tmp_path):
    corpus = tmp_path / "corpus"
    grid = tonalyx.TextGrid(0.0, 0.6, [tonalyx.Tier("v", intervals=[
        (0.0, 0.1, ""), (0.1, 0.35, "a, b"), (0.35, 0.6, "i")])])
    for index in range(3):
        write_wave(corpus / f"s{index}.wav", [voice(16000, 0.6, 120 + 40 * index, index)], 16000)
    for index in (0, 2):
        grid.write(corpus / f"s{index}.TextGrid")
    (corpus / "s2.TextGrid").write_text("not a TextGrid")
    out = tmp_path / "out"
    extra = ["--textgrid", "--tier", "v", "--points", "0.25,0.5"]
    command = [PYTHON, "-m", "tonalyx.corpus", str(corpus), "--out", str(out), *extra]
    run = subprocess.run(command, capture_output=True, check=False)
    err = run.stderr.decode()
    assert run.returncode == 1, err
    assert "s1.wav: failed: " in err and "s1.TextGrid" in err  # no TextGrid beside it
    assert "s2.wav: failed: " in err and "line 1" in err  # a broken one
    with open(out / "measurements.csv", newline="") as table:
        rows = list(csv.reader(table))
    cli = list(csv.reader(cli_output("measure", str(corpus / "s0.wav"), *extra[1:],
                                     "--missing-as", "empty").decode().splitlines()))
    assert rows[0] == cli[0]
    assert [row[:4] for row in rows[1:]] == [[str(corpus / "s0.wav"), "v", "2", "a, b"],
                                             [str(corpus / "s0.wav"), "v", "3", "i"]]
    for ours, theirs in zip(rows[1:], cli[1:]):
        assert [float(v) if v else None for v in ours[4:]] == pytest.approx(
            [float(v) if v else None for v in theirs[4:]], rel=1e-5)
    # Resumed: only the file whose TextGrid came is redone, and the table gains its rows.
    grid.write(corpus / "s1.TextGrid")
    run = subprocess.run(command, capture_output=True, check=False)
    assert "2 done (1 from before), 1 failed" in run.stderr.decode()
    with open(out / "measurements.csv", newline="") as table:
        assert [row[0] for row in csv.reader(table)][1:] == [str(corpus / f"s{n}.wav")
                                                              for n in (0, 0, 1, 1)]
