#!/usr/bin/env python3
"""Checks of what the project ships.

  check_package.py man PROGRAM MANPAGE   the manual page says what --help says
  check_package.py deb PACKAGE.deb       lintian finds nothing to report, and
                                         the package holds its documents, icon
                                         and menu entry
  check_package.py zip ZIP               the Windows zip unpacks into one
                                         folder holding the program, its
                                         content and the viewer's readme
Each prints what it found and exits 1 on the first kind of failure.
"""
import gzip
import io
import re
import subprocess
import sys
import tarfile
import zipfile


def fail(message):
    print("check_package: " + message, file=sys.stderr)
    sys.exit(1)


def options_and_facts(text):
    """The options, keys, signals, data folders and exit codes a text names."""
    return {
        "options": set(re.findall(r"(?<![\w-])--?[a-z][a-z-]*", text)) - {"-USR1"},
        "keys": {k for k in ("Escape", "F11", "Alt+Enter", "SIGUSR1") if k in text},
        "folders": set(re.findall(r"[\w./]*data/", text)),
    }


def check_man(program, manpage):
    help_text = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
    with open(manpage, encoding="utf-8") as f:
        roff = f.read()
    # The page as text: escapes and font changes undone, requests dropped.
    man_text = re.sub(r"\\f[BIRP]|\\&", "", roff.replace("\\-", "-"))
    man_text = "\n".join(line for line in man_text.splitlines() if not line.startswith(".\\\""))
    man_text = re.sub(r"^\.(?:B|I|BR|IR|RB|TP|PP|SH|TH)\b ?", "", man_text, flags=re.M)
    want, have = options_and_facts(help_text), options_and_facts(man_text)
    for kind in want:
        if want[kind] != have[kind]:
            fail(f"the manual page's {kind} differ from --help: only in --help {sorted(want[kind] - have[kind])}, "
                 f"only in the page {sorted(have[kind] - want[kind])}")
    codes = re.search(r"Exit codes:(.*)", help_text, re.S)
    help_codes = set(re.findall(r"\b(\d+) ", codes.group(1))) if codes else set()
    status = roff.split(".SH EXIT STATUS", 1)[-1].split(".SH", 1)[0]
    man_codes = set(re.findall(r"^\.B (\d+)$", status, re.M))
    if not help_codes or help_codes != man_codes:
        fail(f"exit codes: --help {sorted(help_codes)}, manual page {sorted(man_codes)}")
    print(f"check_package: {manpage} matches --help ({len(want['options'])} options, exit codes "
          f"{', '.join(sorted(help_codes))})")


# Tags lintian gives only as information that the package must not earn either.
FORBIDDEN_INFO = ("desktop-entry-lacks-icon-entry", "hardening-no-bindnow", "hardening-no-fortify-functions",
                  "hardening-no-relro", "binary-has-unneeded-section", "no-manual-page")


def check_deb(deb):
    lintian = subprocess.run(["lintian", "--info", "--display-info", deb], capture_output=True, text=True)
    print(lintian.stdout, end="")
    tags = [line for line in lintian.stdout.splitlines() if re.match(r"[EWI]: ", line)]
    bad = [t for t in tags if t.startswith(("E:", "W:")) or any(f" {name} " in t + " " for name in FORBIDDEN_INFO)]
    if lintian.returncode not in (0, 2) or bad:
        fail(f"lintian on {deb}: " + ("; ".join(bad) or lintian.stderr.strip()))
    listing = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], capture_output=True, check=True).stdout
    with tarfile.open(fileobj=io.BytesIO(listing)) as tar:
        names = {m.name.lstrip("./") for m in tar.getmembers()}
        desktop = tar.extractfile("./usr/share/applications/halvane.desktop").read().decode()
        changelog = gzip.decompress(tar.extractfile("./usr/share/doc/halvane/changelog.gz").read()).decode()
    needed = ["usr/bin/halvane", "usr/share/man/man6/halvane.6.gz", "usr/share/doc/halvane/copyright",
              "usr/share/halvane/data/png/credits.png"]
    needed += [f"usr/share/icons/hicolor/{s}x{s}/apps/halvane.png" for s in (48, 128, 256)]
    missing = [n for n in needed if n not in names]
    if missing:
        fail(f"{deb} lacks {missing}")
    if "\nIcon=halvane\n" not in "\n" + desktop:
        fail("the menu entry names no icon")
    if not changelog.startswith("halvane ("):
        fail("changelog.gz is not a Debian changelog")
    print(f"check_package: {deb}: lintian clean; manual page, icons, copyright, changelog and menu entry in place")


def check_zip(path):
    with zipfile.ZipFile(path) as z:
        names = z.namelist()
        readme = z.read("halvane/README.txt").decode("ascii") if "halvane/README.txt" in names else ""
    outside = [n for n in names if not n.startswith("halvane/")]
    if outside:
        fail(f"{path}: entries outside halvane/: {outside[:5]}")
    for needed in ("halvane/halvane.exe", "halvane/BASS.dll", "halvane/README.txt", "halvane/data/png/credits.png",
                   "halvane/data/knot1.obj"):
        if needed not in names:
            fail(f"{path} lacks {needed}")
    if "\n" in readme.replace("\r\n", ""):
        fail("README.txt has lines that do not end in CR LF")
    for words in ("halvane.exe", "own folder", "16:9", "4:3", "Fullscreen", "Windowed", "Run Demo", "Escape"):
        if words not in readme:
            fail(f"README.txt does not say {words!r}")
    if re.search(r"stand-in|stb_image|DevIL", readme):
        fail("README.txt speaks of how the program was built")
    print(f"check_package: {path}: {len(names)} entries, all under halvane/; README.txt for the viewer")


if __name__ == "__main__":
    checks = {"man": (check_man, 2), "deb": (check_deb, 1), "zip": (check_zip, 1)}
    if len(sys.argv) < 2 or sys.argv[1] not in checks or len(sys.argv) != 2 + checks[sys.argv[1]][1]:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    checks[sys.argv[1]][0](*sys.argv[2:])
