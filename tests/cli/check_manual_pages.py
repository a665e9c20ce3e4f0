#!/usr/bin/env python3
"""Renders each manual page with groff's warnings on and fails on any
warning, and checks that the page and the program's --help agree: the same
long options, the same exit statuses. Also runs each program with --version
(all must print the same version) and with an unknown option (exit 2, the
usage on standard error), the window program without a display.

Usage: check_manual_pages.py MAN_DIR PROGRAM_PATH...
"""

import os
import re
import subprocess
import sys

SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "FILES", "EXAMPLES",
            "SEE ALSO"]
LONG_OPTION = re.compile(r"(?<![\w-])--[a-z][a-z-]*")

failures = []


def fail(text):
    failures.append(text)
    print("FAIL:", text, file=sys.stderr)


def section(page, name):
    match = re.search(r"^\.SH \"?" + re.escape(name) + r"\"?\n(.*?)(?=^\.SH |\Z)", page,
                      re.M | re.S)
    return match.group(1) if match else ""


def plain(roff):
    """Roff source as text: escaped dashes as dashes, font changes removed."""
    return re.sub(r"\\f[BIRP]", "", roff.replace("\\-", "-"))


def help_section(text, heading):
    match = re.search(r"^" + heading + r":\n(.*?)(?=^\S|\Z)", text, re.M | re.S)
    return match.group(1) if match else ""


def run(path, args, env):
    return subprocess.run([path, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          env=env, timeout=120)


def main():
    man_dir, programs = sys.argv[1], sys.argv[2:]
    # No display: --help and --version must not need one.
    env = {key: value for key, value in os.environ.items()
           if key not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    versions = set()
    for path in programs:
        name = os.path.basename(path)
        page_path = os.path.join(man_dir, name + ".1")
        with open(page_path, encoding="utf-8") as file:
            page = file.read()

        groff = subprocess.run(["groff", "-man", "-ww", "-z", page_path],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if groff.returncode != 0 or groff.stderr:
            fail(f"{name}.1: groff: {groff.stderr.decode(errors='replace').strip()}")
        for wanted in SECTIONS:
            if not re.search(r"^\.SH \"?" + wanted + r"\"?$", page, re.M):
                fail(f"{name}.1 has no section {wanted}")

        shown = run(path, ["--help"], env)
        help_text = shown.stdout.decode()
        if shown.returncode != 0 or not help_text.startswith("Usage: " + name):
            fail(f"{name} --help: status {shown.returncode}, {shown.stderr.decode()[:200]}")
            continue
        # The option lists (and the commands' lists), not the prose above them.
        listed = help_text[help_text.find("\nOptions:"):help_text.find("\nExit status:")]
        help_options = set(LONG_OPTION.findall(listed))
        page_options = set(LONG_OPTION.findall(plain(section(page, "OPTIONS"))))
        if help_options != page_options:
            fail(f"{name}: options only in --help {sorted(help_options - page_options)}, "
                 f"only in the page {sorted(page_options - help_options)}")
        help_statuses = set(re.findall(r"^\s+(\d+)\s", help_section(help_text, "Exit status"),
                                       re.M))
        page_statuses = set(re.findall(r"^\.B (\d+)$", section(page, "EXIT STATUS"), re.M))
        if not help_statuses or help_statuses != page_statuses:
            fail(f"{name}: exit statuses {sorted(help_statuses)} in --help, "
                 f"{sorted(page_statuses)} in the page")

        version = run(path, ["--version"], env)
        match = re.fullmatch(re.escape(name) + r" (\d+\.\d+\.\d+)\n", version.stdout.decode())
        if version.returncode != 0 or not match:
            fail(f"{name} --version printed {version.stdout!r}")
        else:
            versions.add(match.group(1))

        # The window program needs a platform to get this far.
        wrong = run(path, ["--no-such-option"], dict(env, QT_QPA_PLATFORM="offscreen"))
        errors = wrong.stderr.decode()
        if wrong.returncode != 2 or wrong.stdout or "Usage: " + name not in errors \
                or "--no-such-option" not in errors:
            fail(f"{name} --no-such-option: status {wrong.returncode}, {errors[:300]!r}")

    if len(versions) > 1:
        fail(f"the programs disagree on their version: {sorted(versions)}")
    print(f"{len(programs)} manual pages and programs checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
