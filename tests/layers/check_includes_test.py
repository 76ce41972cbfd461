#!/usr/bin/env python3
"""The include check on a small tree of its own: two libraries, lo under hi, a test of lo
with a fixture, and header-only test helpers; each case plants one fault, or none."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_includes  # noqa: E402

TREE = {
    "CMakeLists.txt": "",
    "lo/CMakeLists.txt": "",
    "lo/A.h": "#pragma once\n",
    "lo/A.cpp": '#include "lo/A.h"\n',
    "lo/Fixture.h": '#pragma once\n#include "support/S.h"\n',
    "lo/A_test.cpp": '#include "lo/A.h"\n\n#include "lo/Fixture.h"\n',
    "hi/CMakeLists.txt": "",
    "hi/B.h": '#pragma once\n#include "lo/A.h"\n',
    "hi/B.cpp": '#include "hi/B.h"\n\n#include <string>\n',
    "support/CMakeLists.txt": "",
    "support/S.h": '#pragma once\n#include "lo/A.h"\n',
}

TARGETS = [
    ("kg_lo", "STATIC_LIBRARY", "lo", ["A.cpp"], []),
    ("kg_hi", "STATIC_LIBRARY", "hi", ["B.cpp"], ["kg_lo"]),
    ("kg_support", "INTERFACE_LIBRARY", "support", [], []),
    ("lo_test", "EXECUTABLE", "lo", ["A_test.cpp"], ["kg_lo", "kg_support"]),
]

# (case, files changed or added, extra links, the faults expected in order: each a part of its line)
CASES = [
    ("the tree as it is", {}, [], []),
    ("a library's header including the library above",
     {"lo/A.h": '#pragma once\n#include "hi/B.h"\n'}, [],
     ['lo/A.h:2: #include "hi/B.h" runs up a layer: kg_lo does not link kg_hi',
      "the libraries include each other in a circle: kg_hi -> kg_lo -> kg_hi"]),
    ("a library's source including the library above",
     {"lo/A.cpp": '#include "lo/A.h"\n#include "hi/B.h"\n'}, [],
     ['lo/A.cpp:2: #include "hi/B.h" runs up a layer: kg_lo does not link kg_hi',
      "the libraries include each other in a circle: kg_hi -> kg_lo -> kg_hi"]),
    ("a header of the library that nothing includes, including the library above",
     {"lo/Unused.h": '#include "hi/B.h"\n'}, [],
     ['lo/Unused.h:1: #include "hi/B.h" runs up a layer: kg_lo does not link kg_hi',
      "the libraries include each other in a circle: kg_hi -> kg_lo -> kg_hi"]),
    ("a library including a test helper it does not link",
     {"hi/B.cpp": '#include "hi/B.h"\n#include "support/S.h"\n'}, [],
     ['hi/B.cpp:2: #include "support/S.h" runs up a layer: kg_hi does not link kg_support']),
    ("a test helper including a library the test does not link, followed through a fixture",
     {"support/S.h": '#pragma once\n#include "hi/B.h"\n'}, [],
     ['support/S.h:2: #include "hi/B.h" runs up a layer: lo_test (through lo/A_test.cpp) does not link kg_hi']),
    ("a test helper including a library the test links",
     {"support/S.h": '#pragma once\n#include "hi/B.h"\n'}, [("lo_test", "kg_hi")], []),
    ("a header included by its bare name",
     {"hi/B.cpp": '#include "B.h"\n'}, [],
     ['hi/B.cpp:1: "B.h" does not name its layer: #include "hi/B.h"']),
    ("a header included by a path from the including file",
     {"hi/B.cpp": '#include "../lo/A.h"\n'}, [],
     ['hi/B.cpp:1: "../lo/A.h" does not name its layer: #include "lo/A.h"']),
    ("a bare name that two folders hold",
     {"hi/A.h": "#pragma once\n", "support/T.h": '#include "A.h"\n'}, [],
     ['support/T.h:1: "A.h" does not name its layer and may be any of hi/A.h, lo/A.h']),
    ("a header in a folder under a library's, named from the library's parent",
     {"lo/detail/C.h": "#pragma once\n", "hi/B.cpp": '#include "lo/detail/C.h"\n'}, [], []),
    ("links that run in a circle", {}, [("kg_lo", "kg_hi")],
     ["the links run in a circle: kg_hi -> kg_lo -> kg_hi"]),
]


class CheckIncludes(unittest.TestCase):
    def run_case(self, changes, extra_links):
        with tempfile.TemporaryDirectory() as root:
            for path, text in {**TREE, **changes}.items():
                os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(root, path), "w", encoding="utf-8") as f:
                    f.write(text)
            graph = os.path.join(root, "build", "kg_targets.tsv")
            os.makedirs(os.path.dirname(graph))
            with open(os.path.join(root, "build", "CMakeCache.txt"), "w") as f:
                f.write("")
            with open(graph, "w", encoding="utf-8") as f:
                for name, kind, folder, sources, links in TARGETS:
                    f.write(f"target\t{name}\t{kind}\t{root}/{folder}\n")
                    for s in sources:
                        f.write(f"source\t{name}\t{root}/{folder}/{s}\n")
                    for link in links + [b for a, b in extra_links if a == name]:
                        f.write(f"link\t{name}\t{link}\n")
            return check_includes.check(root, graph)

    def test_cases(self):
        for name, changes, extra_links, expected in CASES:
            with self.subTest(name):
                problems = self.run_case(changes, extra_links)
                self.assertEqual(len(problems), len(expected), problems)
                for line, part in zip(problems, expected):
                    self.assertIn(part, line)


if __name__ == "__main__":
    unittest.main()
