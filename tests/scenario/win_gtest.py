#!/usr/bin/env python3
"""Runs kvell_win_tests.exe (tests/win) under Wine in a prefix of its own.

    win_gtest.py [--locale LOCALE] [--code-page N] [GTEST ARGUMENTS...]

--locale selects the Unix locale Wine derives the Windows code pages from (it is
compiled with localedef into the build directory when the system lacks it);
--code-page makes sure Wine really uses that ANSI code page, so that the suites
for it do not just skip. Exit code: the test program's; 77 when the locale
cannot be made.
"""

import argparse
import fcntl
import subprocess
import sys
import unittest

import wineharness
from wineharness import Config, Session

SKIP = 77


def compiled_locale(locale):
    """LOCPATH holding locale ("ja_JP.UTF-8"), made with localedef if needed."""
    name, _, charset = locale.partition(".")
    target = Config.locales / locale
    Config.locales.mkdir(parents=True, exist_ok=True)
    with open(Config.locales / ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not target.is_dir():
            subprocess.run(["localedef", "-i", name, "-f", charset or "UTF-8", str(target)],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    return Config.locales


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--locale", default="C.UTF-8")
    parser.add_argument("--code-page", type=int)
    options, gtest_args = parser.parse_known_args()
    try:
        wineharness.require_wine_tools()
    except unittest.SkipTest as e:
        print("skipped:", e)
        return SKIP
    if not Config.win_tests.exists():
        print("skipped: %s was not built" % Config.win_tests)
        return SKIP
    extra = {}
    if options.locale != "C.UTF-8":
        try:
            extra["LOCPATH"] = str(compiled_locale(options.locale))
        except (OSError, subprocess.CalledProcessError) as e:
            print("skipped: cannot make the locale %s: %s" % (options.locale, e))
            return SKIP
    session = Session("win_gtest", locale=options.locale, extra_env=extra)
    session.start()
    try:
        if options.code_page is not None:
            pages = session.wintool("code-pages")
            if pages.split()[0] != str(options.code_page):
                print("Wine uses the code pages %s, not %d, under %s" % (pages, options.code_page, options.locale))
                return 1
        exe = session.bin_dir / "kvell_win_tests.exe"
        exe.write_bytes(Config.win_tests.read_bytes())
        # The DLL search tests look for it beside the program.
        planted = Config.win_tests.with_name("kvell_planted.dll")
        (session.bin_dir / planted.name).write_bytes(planted.read_bytes())
        result = session.run(session.windows(exe), args=" ".join(["--gtest_color=no"] + gtest_args), timeout=240)
        sys.stdout.write(result.stdout)
        sys.stdout.write(result.stderr)
        if result.boxes:
            print("unexpected message boxes: %r" % result.boxes)
            return 1
        print("exit code %d after %.1f s" % (result.exit_code, result.elapsed))
        return result.exit_code
    finally:
        session.close()


if __name__ == "__main__":
    sys.exit(main())
