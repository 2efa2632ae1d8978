#!/usr/bin/env python3
"""Prints the folder under an installation prefix where the running interpreter imports
modules from, so that an installed package imports without PYTHONPATH.

Debian's interpreter reads /usr/lib/python3/dist-packages for /usr, the version's dist-packages
under /usr/local, and the user site (~/.local/lib/python3.X/site-packages) for the user's base;
any other prefix gets the standard layout under it (prefix/lib/python3.X/site-packages), as a
virtual environment has it.
"""

import argparse
import os
import site
import sys
import sysconfig


def searched_folders() -> list[str]:
    """The module folders of this interpreter's own schemes that it searches, and the user
    site (searched once it exists)."""
    folders = []
    for scheme in sysconfig.get_scheme_names():
        folder = sysconfig.get_path("platlib", scheme)
        if folder in sys.path:
            folders.append(folder)
    folders.append(site.getusersitepackages())
    return folders


def module_dir(prefix: str) -> str:
    """The folder under the prefix (an absolute path) where modules go."""
    prefix = os.path.normpath(prefix)
    for folder in searched_folders():
        relative = os.path.relpath(os.path.normpath(folder), prefix)
        if relative.split(os.sep)[0] in ("lib", "lib64"):
            return os.path.join(prefix, relative)
    return sysconfig.get_path("platlib", "posix_prefix", vars={"base": prefix, "platbase": prefix})


def main() -> None:
    options = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    options.add_argument("prefix", help="the installation prefix, an absolute path")
    prefix = options.parse_args().prefix
    if not os.path.isabs(prefix):
        sys.exit(f"python_module_dir: the prefix '{prefix}' is not an absolute path")
    print(module_dir(prefix))


if __name__ == "__main__":
    main()
