#!/usr/bin/env python3
"""The built plugin in gst-launch-1.0 pipelines (GST_PLUGIN_PATH names its
folder; the meson test sets it)."""
import math
import os
import struct
import subprocess
import tempfile
import unittest


def run(*args):
    return subprocess.run(args, capture_output=True, text=True, timeout=120)


def rms(samples):
    return math.sqrt(sum(s * s for s in samples) / max(1, len(samples)))


class Plugin(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def launch(self, pipeline, out):
        """Runs pipeline ... ! filesink location=<out> and returns the file's bytes."""
        path = os.path.join(self.tmp.name, out)
        result = run("gst-launch-1.0", "-q", *pipeline.split(), "!", "filesink", "location=" + path)
        self.assertEqual(result.returncode, 0, pipeline + "\n" + result.stdout + result.stderr)
        with open(path, "rb") as f:
            return f.read()

    def test_round_trip_keeps_whole_frames_level_and_tone(self):
        # 50 buffers of 1000 samples: 52 whole frames, 80 samples left over.
        source = "audiotestsrc num-buffers=50 samplesperbuffer=1000 freq=1000 volume=0.5 ! " \
                 "audio/x-raw,format=S16LE,rate=48000,channels=1"
        original = struct.unpack("<50000h", self.launch(source, "source.raw"))
        self.launch(source + " ! wavenc", "in.wav")
        for bitrate in (32000, 48000, 64000):
            with self.subTest(bitrate=bitrate):
                wav = self.launch("filesrc location=%s/in.wav ! wavparse ! audioconvert ! audioresample ! "
                                  "zebg719enc bitrate=%d ! zebg719dec ! wavenc" % (self.tmp.name, bitrate), "out.wav")
                self.assertEqual(wav[36:40], b"data")
                decoded = struct.unpack("<%dh" % ((len(wav) - 44) // 2), wav[44:])
                self.assertEqual(len(decoded), 52 * 960)
                # The output is the input one frame (960 samples) late: the
                # same level, and the difference 30 dB below it.
                delayed, reference = decoded[960:], original[:len(decoded) - 960]
                self.assertLess(abs(20 * math.log10(rms(delayed) / rms(reference))), 0.5)
                self.assertLess(rms([a - b for a, b in zip(reference, delayed)]), rms(reference) / 10 ** 1.5)

    def test_caps_filter_after_the_encoder_sets_the_bitrate(self):
        data = self.launch("audiotestsrc num-buffers=10 samplesperbuffer=960 ! audio/x-raw,rate=48000,channels=1 ! "
                           "zebg719enc bitrate=64000 ! audio/G719,bitrate=32000", "tone.g719")
        self.assertEqual(len(data), 10 * 82)
        self.assertEqual({data[i] for i in range(0, len(data), 82)}, {0x20})


if __name__ == "__main__":
    unittest.main(verbosity=2)
