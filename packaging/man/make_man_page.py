#!/usr/bin/env python3
"""Writes a man page from a program's own --help output plus a file of the sections that help
cannot give (description, output, exit status, examples...).

The options, arguments and subcommands come only from running the program, so the page cannot
drift from it. Both help layouts in use are read: CLI11's (tagwright-cli and each of its
subcommands) and Qt's QCommandLineParser (tagwright).

  make_man_page.py --program PATH --name NAME --summary TEXT --sections FILE --output FILE [--gzip FILE]

The sections file holds roff text under headings in brackets, one a line:
  [DESCRIPTION]          placed after SYNOPSIS
  [COMMAND name]         placed under that subcommand, after its options
  [ANY OTHER TITLE]      placed after the options and commands, in the order written
A [COMMAND name] for a subcommand the program does not have is an error, and so is a subcommand
without one.
"""
import argparse
import gzip
import os
import re
import subprocess
import sys


def run_help(program, args):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", COLUMNS="200")
    result = subprocess.run([program, *args], capture_output=True, text=True, env=env, check=False)
    if result.returncode != 0:
        sys.exit(f"make_man_page: {program} {' '.join(args)} exited with {result.returncode}:\n{result.stderr}")
    return result.stdout


class Help:
    """One --help text: the text around the sections, the usage line and the sections' entries."""

    def __init__(self, text):
        self.prose = []
        self.usage = None
        self.sections = {}  # title -> list of [name, description]
        self.order = []
        current = None
        for line in text.splitlines():
            if not line.strip():
                current = None
                continue
            if line.startswith("Usage:"):
                self.usage = line[len("Usage:"):].strip()
                current = None
            elif re.match(r"^\S[^:]*:$", line):
                current = line[:-1]
                self.sections[current] = []
                self.order.append(current)
            elif current is not None and re.match(r"^  \S", line):
                parts = re.split(r"\s{2,}", line.strip(), maxsplit=1)
                self.sections[current].append([parts[0], parts[1] if len(parts) > 1 else ""])
            elif current is not None and line.startswith("   ") and self.sections[current]:
                entry = self.sections[current][-1]
                entry[1] = (entry[1] + " " + line.strip()).strip()
            else:
                self.prose.append(line.strip())
                current = None


def roff(text):
    """Escapes plain text for roff."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


def option_entry(name, description):
    """An option or argument as a tagged paragraph: option names in bold, value names in italics."""
    words = []
    for word in re.split(r"(\s+|,\s*)", name):
        if word.startswith("-"):
            words.append("\\fB" + roff(word) + "\\fR")
        elif word.strip() and word.strip() != ",":
            words.append("\\fI" + roff(word) + "\\fR")
        else:
            words.append(roff(word))
    return [".TP", "".join(words), roff(description)]


def read_sections(path):
    sections = []  # (title, [lines])
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            heading = re.match(r"^\[(.+)\]$", line)
            if heading:
                sections.append((heading.group(1), []))
            elif sections:
                sections[-1][1].append(line)
            elif line.strip():
                sys.exit(f"make_man_page: {path}: text before the first [SECTION]")
    return [(title, "\n".join(lines).strip("\n")) for title, lines in sections]


def synopsis_line(name, usage):
    """The usage line as roff: program name in bold, the rest in italics but for brackets and dots."""
    rest = usage.split(None, 1)
    words = rest[1].split() if len(rest) > 1 else []
    line = "\\fB" + roff(name) + "\\fR"
    for word in words:
        if re.fullmatch(r"[a-z][a-z0-9-]*", word):  # a subcommand's name
            line += " \\fB" + roff(word) + "\\fR"
        else:
            inner = re.match(r"^(\[?)(.*?)((?:\.\.\.)?\]?)$", word)
            line += " " + inner.group(1) + "\\fI" + roff(inner.group(2)) + "\\fR" + inner.group(3)
    return line


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--name", required=True)
    parser.add_argument("--summary", required=True)
    parser.add_argument("--sections", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("--gzip", help="also write this file: the page compressed, reproducibly (gzip -9n)")
    options = parser.parse_args()

    version = run_help(options.program, ["--version"]).strip().splitlines()[0]
    top = Help(run_help(options.program, ["--help"]))
    commands = [entry[0] for entry in top.sections.get("Subcommands", [])]
    extra = read_sections(options.sections)
    command_texts = {}
    for title, text in extra:
        if title.startswith("COMMAND "):
            command = title[len("COMMAND "):]
            if command not in commands:
                sys.exit(f"make_man_page: {options.sections}: [{title}] but {options.name} has no such command")
            command_texts[command] = text
    for command in commands:
        if command not in command_texts:
            sys.exit(f"make_man_page: {options.sections}: no [COMMAND {command}] for {options.name} {command}")
    description = [text for title, text in extra if title == "DESCRIPTION"]

    out = []
    out.append(f'.\\" Made by make_man_page.py from "{options.name} --help" and {os.path.basename(options.sections)}.')
    out.append(f'.TH {roff(options.name.upper())} 1 "" "{roff(version)}" "User Commands"')
    out.append(".SH NAME")
    out.append(f"{roff(options.name)} \\- {roff(options.summary)}")
    out.append(".SH SYNOPSIS")
    helps = {}
    if commands:
        for command in commands:
            helps[command] = Help(run_help(options.program, [command, "--help"]))
            out.append(synopsis_line(options.name, helps[command].usage))
            out.append(".br")
        out.append(synopsis_line(options.name, f"{options.name} --help | --version"))
    else:
        out.append(synopsis_line(options.name, top.usage))
    out.append(".SH DESCRIPTION")
    if description:
        out.append(description[0])
    else:
        out.extend(roff(line) for line in top.prose)

    for title in top.order:
        if title == "Subcommands":
            continue
        out.append(".SH " + ("OPTIONS" if title == "Options" else roff(title.upper())))
        for name, text in top.sections[title]:
            out.extend(option_entry(name, text))

    if commands:
        out.append(".SH COMMANDS")
        for command in commands:
            help_text = helps[command]
            out.append(f'.SS "{roff(help_text.usage)}"')
            out.extend(roff(line) for line in help_text.prose)
            for title in help_text.order:
                for name, text in help_text.sections[title]:
                    if name == "-h,--help":
                        continue  # said once, under OPTIONS
                    if title == "Positionals":  # "FILE TEXT ... REQUIRED": the value's name, repeatable or not
                        name = name.split()[0] + (" ..." if " ... " in name + " " else "")
                    out.extend(option_entry(name, text))
            out.append(".PP")
            out.append(command_texts[command])

    for title, text in extra:
        if title == "DESCRIPTION" or title.startswith("COMMAND "):
            continue
        out.append(f'.SH "{title}"' if " " in title else f".SH {title}")
        out.append(text)

    page = ("\n".join(out) + "\n").encode("utf-8")
    with open(options.output, "wb") as f:
        f.write(page)
    if options.gzip:
        with open(options.gzip, "wb") as raw, gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=9,
                                                            mtime=0) as f:
            f.write(page)


if __name__ == "__main__":
    main()
