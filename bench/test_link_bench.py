"""The router link benchmark's bookkeeping: what becomes of each query in a
trace, the trace reader, times across midnight."""
import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import link_bench  # noqa: E402

FAIL_LIMIT = "ComSup_SendData: UnAck msgs >= ErrorLimit (5). SetComState(FAIL)"


def trace(*texts):
    return [(i * 0.01, t) for i, t in enumerate(texts)]


class Answers(unittest.TestCase):
    def test_cases(self):
        cases = [
            ("each answer before the next poll",
             ["@ X?00", "S:00,0", "@ X?01", "S:01,1"], (2, 0, 0, 0)),
            ("an answer after the next poll went out",
             ["@ X?00", "@ X?01", "S:00,0", "S:01,1"], (1, 1, 0, 0)),
            ("asked again without an answer; the last query still awaited",
             ["@ X?00", "@ X?01", "S:01,1", "@ X?00"], (1, 0, 1, 0)),
            ("hexadecimal destinations, no source, a stray status line",
             ["@ X?0F", "S:0F,X", "S:05,5", "@ X?0A", "S:0A,3"], (2, 0, 0, 0)),
            ("a second answer to one query counts once",
             ["@ X?02", "S:02,2", "S:02,2"], (1, 0, 0, 0)),
            ("failures, but not the one at start-up",
             ["Dialog_InitDialog: SetComState(FAIL)", "@ X?00", FAIL_LIMIT,
              "Dialog_Tally: SetComState(FAIL)"], (0, 0, 0, 2)),
            ("other trace lines change nothing",
             ["@ ?", "T F", "@ X?03", "Result -> 0/4,4", "Dialog_Tally ...", "S:03,3"],
             (1, 0, 0, 0)),
        ]
        for name, texts, expected in cases:
            with self.subTest(name):
                self.assertEqual(link_bench.answers(trace(*texts)), expected)


class TraceReaderAndClock(unittest.TestCase):
    def test_reads_on_as_the_file_grows(self):
        with tempfile.NamedTemporaryFile("wb", delete=False) as f:
            path = f.name
        try:
            r = link_bench.TraceReader(path)
            with open(path, "ab") as f:
                f.write(b"12:00:01.250 [0312] <VALDRUNE>-@ X?00\r\nnoise\r\n"
                        b"12:00:01.260 [0312] <VALDRU")
            self.assertEqual(r.read(), [(43201.25, "@ X?00")])
            with open(path, "ab") as f:
                f.write(b"NE>-S:00,0\r\n")
            self.assertEqual(r.read()[1:], [(43201.26, "S:00,0")])
        finally:
            os.remove(path)

    def test_differences_across_midnight(self):
        self.assertAlmostEqual(link_bench.since_midnight(0.1 - 86399.9), 0.2)
        self.assertAlmostEqual(link_bench.since_midnight(-0.002), -0.002)


if __name__ == "__main__":
    unittest.main()
