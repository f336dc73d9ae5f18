#!/usr/bin/env python3
"""ctest fixture: makes the template Wine prefix of this build directory unless
a current one exists (see wineharness.make_template)."""

import sys
import unittest

import wineharness

if __name__ == "__main__":
    try:
        wineharness.require_wine_tools()
    except unittest.SkipTest as e:
        print("skipped:", e)
        sys.exit(77)
    wineharness.make_template(force="--force" in sys.argv[1:])
