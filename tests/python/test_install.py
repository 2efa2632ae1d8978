"""The module installed with cmake --install imports from where it was put, without PYTHONPATH
for a user's ~/.local, and finds the same pitch track there as in the build folder."""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path

import pytest

from conftest import cli_output, voice, write_wave

BUILD = os.environ.get("TONALYX_BUILD_DIR", "")
CMAKE = os.environ.get("CMAKE_COMMAND", "cmake")
PYTHON = "/usr/bin/python3"
PITCH_COUNT = ("import sys, tonalyx; "
               "print(tonalyx.__file__, len(tonalyx.read(sys.argv[1]).pitch().f0))")
VERSION_FOLDER = f"python{sys.version_info.major}.{sys.version_info.minor}"


def install(prefix: Path) -> list[Path]:
    """Installs the module alone under prefix; returns every file put there."""
    assert BUILD, "TONALYX_BUILD_DIR names the build folder"
    run = subprocess.run([CMAKE, "--install", BUILD, "--prefix", str(prefix),
                          "--component", "python"], capture_output=True, text=True, check=False)
    assert run.returncode == 0, run.stdout + run.stderr
    return [path for path in prefix.rglob("*") if path.is_file()]


def import_and_count(sound: Path, home: Path, python_path: str = "") -> tuple[Path, int]:
    """Where a fresh interpreter with this HOME imports tonalyx from, and the pitch count it
    finds in the sound."""
    environment = {key: value for key, value in os.environ.items()
                   if not key.startswith("PYTHON")}
    environment.update(HOME=str(home), PYTHONDONTWRITEBYTECODE="1")
    if python_path:
        environment["PYTHONPATH"] = python_path
    run = subprocess.run([PYTHON, "-c", PITCH_COUNT, str(sound)], capture_output=True, text=True,
                         env=environment, cwd=home, check=False)
    assert run.returncode == 0, run.stderr
    module, count = run.stdout.split()
    return Path(module), int(count)


@pytest.fixture(scope="module")
def sound(tmp_path_factory: pytest.TempPathFactory) -> tuple[Path, int]:
    """A voice, and the number of pitch values the command line finds in it."""
    path = write_wave(tmp_path_factory.mktemp("sound") / "voice.wav", [voice(16000, 1.0, 140)],
                      16000)
    rows = cli_output("pitch", str(path)).decode().strip().splitlines()
    return path, len(rows) - 1


def test_a_user_prefix_imports_without_a_search_path(tmp_path, sound):
    home = tmp_path / "home"
    home.mkdir()
    files = install(home / ".local")
    user_site = home / ".local" / "lib" / VERSION_FOLDER / "site-packages"
    assert {path.parent for path in files} == {user_site / "tonalyx"}
    assert any(path.name.startswith("_tonalyx.cpython-") for path in files)
    module, count = import_and_count(sound[0], home)
    assert module == user_site / "tonalyx" / "__init__.py"
    assert count == sound[1]


def test_another_prefix_gets_the_standard_layout(tmp_path, sound):
    prefix = tmp_path / "opt" / "tonalyx"
    files = install(prefix)
    folder = prefix / "lib" / VERSION_FOLDER / "site-packages"
    assert files and all(path.is_relative_to(folder / "tonalyx") for path in files)
    home = tmp_path / "home"
    home.mkdir()
    module, count = import_and_count(sound[0], home, python_path=str(folder))
    assert module == folder / "tonalyx" / "__init__.py"
    assert count == sound[1]
