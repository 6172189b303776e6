#!/usr/bin/env python3
"""Runs the built plugin through gst-inspect-1.0 and gst-launch-1.0.

GST_PLUGIN_PATH must name the folder of libgstzebg719_avx2.so and
ZEB_G719_PLUGIN_FILE the module itself (the meson test sets both)."""
import math
import os
import struct
import subprocess
import tempfile
import unittest


def run(args):
    return subprocess.run(args, capture_output=True, text=True, timeout=120)


def wav_samples(path):
    """The 16-bit samples of a 48 kHz mono PCM WAV file."""
    with open(path, "rb") as f:
        data = f.read()
    pos = 12
    while pos + 8 <= len(data):
        chunk, size = struct.unpack_from("<4sI", data, pos)
        if chunk == b"fmt ":
            assert struct.unpack_from("<HHI", data, pos + 8)[1:] == (1, 48000)
        if chunk == b"data":
            return list(struct.unpack_from("<%dh" % (size // 2), data, pos + 8))
        pos += 8 + size + (size & 1)
    raise AssertionError("no data chunk")


def rms(samples):
    return math.sqrt(sum(s * s for s in samples) / max(1, len(samples)))


class Plugin(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def launch(self, pipeline):
        result = run(["gst-launch-1.0", "-q"] + pipeline.split())
        self.assertEqual(result.returncode, 0, pipeline + "\n" + result.stdout + result.stderr)

    def test_module_loads_cleanly_with_both_elements(self):
        result = run(["gst-inspect-1.0", os.environ["ZEB_G719_PLUGIN_FILE"]])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr.strip(), "", "loading the plugin printed warnings")
        self.assertIn("zebg719enc:", result.stdout)
        self.assertIn("zebg719dec:", result.stdout)
        self.assertIn("2 features:", result.stdout)

    def test_round_trip_keeps_whole_frames_level_and_tone(self):
        # 50 buffers of 1000 samples: 52 whole frames, 80 samples left over.
        source = self.path("source.wav")
        self.launch("audiotestsrc num-buffers=50 samplesperbuffer=1000 freq=1000 volume=0.5 ! "
                    "audio/x-raw,format=S16LE,rate=48000,channels=1 ! wavenc ! filesink location=" + source)
        original = wav_samples(source)
        for bitrate in (32000, 48000, 64000):
            with self.subTest(bitrate=bitrate):
                out = self.path("out_%d.wav" % bitrate)
                self.launch("filesrc location=%s ! wavparse ! audioconvert ! audioresample ! "
                            "zebg719enc bitrate=%d ! zebg719dec ! wavenc ! filesink location=%s"
                            % (source, bitrate, out))
                decoded = wav_samples(out)
                self.assertEqual(len(decoded), 52 * 960)
                # The output is the input one frame (960 samples) late.
                delayed, reference = decoded[960:], original[:len(decoded) - 960]
                self.assertLess(abs(20 * math.log10(rms(delayed) / rms(reference))), 0.5)
                noise = rms([a - b for a, b in zip(reference, delayed)])
                self.assertGreater(20 * math.log10(rms(reference) / max(noise, 1e-9)), 30.0)

    def test_caps_filter_after_the_encoder_sets_the_bitrate(self):
        out = self.path("tone.g719")
        self.launch("audiotestsrc num-buffers=10 samplesperbuffer=960 ! audio/x-raw,rate=48000,channels=1 ! "
                    "zebg719enc bitrate=64000 ! audio/G719,bitrate=32000 ! filesink location=" + out)
        with open(out, "rb") as f:
            data = f.read()
        self.assertEqual(len(data), 10 * 82)
        self.assertEqual({data[i] for i in range(0, len(data), 82)}, {0x20})


if __name__ == "__main__":
    unittest.main(verbosity=2)
