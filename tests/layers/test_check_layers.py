"""The layer check: an include that goes down passes, one that goes up (or
skips to a layer that is not used) fails and names the file and line."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(__file__), "..", "..", "cmake", "check_layers.py")


def run(tree, layers):
    with tempfile.TemporaryDirectory() as root:
        for path, text in tree.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as f:
                f.write(text)
        layers_file = os.path.join(root, "layers.txt")
        with open(layers_file, "w") as f:
            f.write(layers)
        return subprocess.run([sys.executable, CHECK, root, layers_file], capture_output=True, text=True)


class CheckLayers(unittest.TestCase):
    LAYERS = "fs: \ndiag: fs\npayload: diag fs\njvm: payload\n"

    def test_down_and_through_passes_up_fails(self):
        ok = run({"jvm/a.cpp": '#include "fs/x.h"\n#include "jvm/b.h"\n', "payload/p.h": '#include "diag/d.h"\n'},
                 self.LAYERS)
        self.assertEqual(ok.returncode, 0, ok.stderr)

        bad = run({"diag/errors.cpp": '#include <cstdio>\n\n#include "payload/config_store.h"\n'}, self.LAYERS)
        self.assertEqual(bad.returncode, 1)
        self.assertIn("diag/errors.cpp:3: diag may not include payload/config_store.h", bad.stderr)


if __name__ == "__main__":
    unittest.main()
