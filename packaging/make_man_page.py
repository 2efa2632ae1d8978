#!/usr/bin/env python3
"""Writes a man page (roff) from a program's own --help text and, optionally, its settings
table, so that the manual says what the program says and cannot drift from it.

The help text is read in the common layout: a "Usage:" line, paragraphs, and headed lists
("Options:") whose items start two blanks in; an item's term and text are parted by two or more
blanks, or its text follows on lines indented further.
"""

import argparse
import os
import re
import sys
import tempfile

ITEM_INDENT = 2
TERM_GAP = re.compile(r"\s{2,}")
EXIT_STATUS = "Exit status:"


def escape(text: str) -> str:
    """Roff-escapes running text; a hyphen that starts an option becomes a real minus."""
    text = text.replace("\\", "\\e")
    text = re.sub(r"(?:(?<=^)|(?<=[\s(\[|]))(-+)",
                  lambda match: "\\-" * len(match.group(1)), text)
    return text


def line(text: str) -> str:
    """A text line that roff cannot take for a request."""
    text = escape(text)
    return "\\&" + text if text.startswith((".", "'")) else text


def term(text: str) -> str:
    """An item's term: bold words, arguments in capitals italic."""
    words = []
    for word in text.split(" "):
        if re.fullmatch(r"[A-Z][A-Z0-9_.|]*(\.\.\.)?", word):
            words.append("\\fI" + escape(word) + "\\fR")
        else:
            words.append("\\fB" + escape(word) + "\\fR")
    return " ".join(words)


class Page:
    def __init__(self) -> None:
        self.out: list[str] = []

    def section(self, title: str) -> None:
        self.out.append(".SH " + title.upper())

    def paragraph(self, lines: list[str]) -> None:
        if lines:
            self.out.append(".PP")
            self.out.extend(line(text) for text in lines)

    def item(self, head: str, text: list[str]) -> None:
        self.out.append(".TP")
        self.out.append(term(head))
        self.out.extend(line(body) for body in text)


def parse_help(text: str, page: Page) -> list[str]:
    """Adds the help text's sections to the page; returns the usage lines for the synopsis."""
    lines = text.rstrip("\n").split("\n")
    usage = []
    while lines and (lines[0].startswith("Usage:") or (usage and lines[0].startswith(" "))):
        usage.append(lines.pop(0).removeprefix("Usage:").strip())
    if not usage:
        sys.exit("make_man_page: the help text has no 'Usage:' line")

    page.section("Description")
    paragraph: list[str] = []
    item: tuple[str, list[str]] | None = None

    def flush() -> None:
        nonlocal paragraph, item
        page.paragraph(paragraph)
        paragraph = []
        if item:
            page.item(*item)
            item = None

    for text in lines:
        indent = len(text) - len(text.lstrip(" "))
        if not text.strip():
            flush()
        elif indent == 0 and text.endswith(":") and len(text) < 40:
            flush()
            page.section(text[:-1])
        elif indent == 0 and text.startswith(EXIT_STATUS):
            flush()
            page.section(EXIT_STATUS[:-1])
            paragraph.append(text[len(EXIT_STATUS):].strip())
        elif indent == 0:
            if item:
                flush()
            paragraph.append(text)
        elif indent == ITEM_INDENT:
            flush()
            parts = TERM_GAP.split(text.strip(), maxsplit=1)
            item = (parts[0], parts[1:])
        elif item:
            item[1].append(text.strip())
        else:
            paragraph.append(text.strip())
    flush()
    return usage


def add_settings(table: str, page: Page) -> None:
    """The settings table (tab-separated, a header line first) as a list of its names."""
    rows = [row.split("\t") for row in table.strip("\n").split("\n")]
    header, rows = rows[0], rows[1:]
    wanted = ["name", "record", "values", "value", "meaning"]
    if header[:len(wanted)] != wanted:
        sys.exit("make_man_page: the settings table starts with %r, not %r" % (header, wanted))
    page.section("Settings")
    page.paragraph(["Every NAME that --set takes: the settings record it belongs to, the values "
                    "it accepts, its default and what it means."])
    for row in rows:
        if len(row) < len(wanted):
            sys.exit("make_man_page: short settings row %r" % (row,))
        name, record, values, default, meaning = row[:5]
        page.out.append(".TP")
        page.out.append("\\fB" + escape(name) + "\\fR (" + escape(record) + ")")
        if meaning:
            page.out.extend([line(meaning), ".br"])
        page.out.append(line("Accepted: " + values + "; default: " + default + "."))


def read(path: str) -> str:
    with open(path, encoding="utf-8") as source:
        return source.read()


def write_whole(path: str, text: str) -> None:
    """Writes through a temporary file in the same folder, then renames it over the target."""
    folder = os.path.dirname(os.path.abspath(path))
    handle, partial = tempfile.mkstemp(dir=folder, prefix=".man-")
    try:
        with os.fdopen(handle, "w", encoding="utf-8") as out:
            out.write(text)
        os.replace(partial, path)
    except BaseException:
        os.unlink(partial)
        raise


def main() -> None:
    options = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    options.add_argument("--name", required=True, help="the program's name")
    options.add_argument("--summary", required=True, help="the NAME line after the dash")
    options.add_argument("--source", required=True, help='footer, e.g. "Tonalyx 2.0"')
    options.add_argument("--date", required=True, help="the release date, YYYY-MM-DD")
    options.add_argument("--help-text", required=True, help="file with the --help output")
    options.add_argument("--settings", help="file with the settings table")
    options.add_argument("--extra", help="roff file appended at the end (FILES, SEE ALSO ...)")
    options.add_argument("--output", required=True)
    args = options.parse_args()

    page = Page()
    page.out.append('.TH "%s" 1 "%s" "%s" "User Commands"' %
                    (args.name.upper(), args.date, args.source))
    page.section("Name")
    page.out.append(escape(args.name) + " \\- " + escape(args.summary))
    body = Page()
    usage = parse_help(read(args.help_text), body)
    page.section("Synopsis")
    for index, text in enumerate(usage):
        if index:
            page.out.append(".br")
        name, _, rest = text.partition(" ")
        page.out.append("\\fB" + escape(name) + "\\fR " + term(rest) if rest else escape(name))
    page.out.extend(body.out)
    if args.settings:
        add_settings(read(args.settings), page)
    if args.extra:
        page.out.append(read(args.extra).rstrip("\n"))
    write_whole(args.output, "\n".join(page.out) + "\n")


if __name__ == "__main__":
    main()
