#!/usr/bin/env python3
"""Reads the browser's picture exports with an independent parser: each is a
Windows bitmap whose header, size and depth agree with its pixel data."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
VIEWS_TEST = None


class PlotBitmaps(unittest.TestCase):
    def test_exports_are_whole_24_bit_bitmaps(self):
        with tempfile.TemporaryDirectory() as copies:
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen", VONDREL_BMP_COPY_DIR=copies)
            run = subprocess.run([VIEWS_TEST, "--gtest_filter=ViewsWindowTest.PictureExports*"], env=env,
                                 capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
            names = sorted(os.listdir(copies))
            self.assertEqual(names, ["bmpexporta.bmp", "mn_jointbmp.bmp", "mn_linebmp.bmp", "mn_platebmp.bmp"])
            for name in names:
                with open(os.path.join(copies, name), "rb") as f:
                    data = f.read()
                with self.subTest(name=name):
                    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
                    header, width, height, planes, depth, compression = struct.unpack_from("<IiiHHI", data, 14)
                    self.assertEqual(magic, b"BM")
                    self.assertEqual(size, len(data))
                    self.assertEqual(header, 40)
                    self.assertGreater(width, 0)
                    self.assertNotEqual(height, 0)
                    self.assertEqual(planes, 1)
                    self.assertEqual(depth, 24)
                    self.assertEqual(compression, 0)
                    stride = (width * 3 + 3) // 4 * 4
                    self.assertEqual(len(data), offset + stride * abs(height))
                    # A drawn plot: not every pixel is the white background.
                    pixels = data[offset:]
                    self.assertTrue(any(b != 0xFF for b in pixels))


if __name__ == "__main__":
    VIEWS_TEST = sys.argv.pop(1)
    unittest.main()
