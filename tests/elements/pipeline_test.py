#!/usr/bin/env python3
"""Runs the built plugin through gst-inspect-1.0 and gst-launch-1.0.

GST_PLUGIN_PATH must name the folder of libgstzebg719_avx2.so and
ZEB_G719_PLUGIN_FILE the module itself (the meson test sets both)."""
import math
import os
import struct
import subprocess
import sys
import tempfile
import unittest


def run(args, timeout=120):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout)


def read_wav(path):
    """Returns (rate, channels, bits, samples) of a PCM WAV file."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[0:4] == b"RIFF" and data[8:12] == b"WAVE", "not a WAV file"
    pos = 12
    fmt = None
    while pos + 8 <= len(data):
        chunk, size = struct.unpack_from("<4sI", data, pos)
        body = data[pos + 8 : pos + 8 + size]
        if chunk == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", body)
        elif chunk == b"data":
            _, channels, rate, _, _, bits = fmt
            count = len(body) // 2
            return rate, channels, bits, list(struct.unpack_from("<%dh" % count, body))
        pos += 8 + size + (size & 1)
    raise AssertionError("no data chunk")


def rms(samples):
    return math.sqrt(sum(s * s for s in samples) / max(1, len(samples)))


class Inspect(unittest.TestCase):
    def inspect(self, what):
        result = run(["gst-inspect-1.0", what])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr.strip(), "", "loading the plugin printed warnings")
        return result.stdout

    def test_encoder(self):
        out = self.inspect("zebg719enc")
        for line in [
            "  Rank                     none (0)",
            "  Long-name                G.719 Encoder element",
            "  Klass                    Codec/Encoder/Audio \n",
            "  Description              Encode streams with G.719",
            "  Name                     zebg719_avx2",
            "  Description              Zebora AS world-class audio elements",
            "  Version                  1.0.20",
            "  Source module            Zebora",
            "  Binary package           GStreamer",
            "ZebG719Enc",
            "bitrate             : The bitrate to decode",
            'Enum "ZebG719Bitrate" Default: 64000, "64000"',
            "(32000): 32000",
            "(48000): 48000",
            "(64000): 64000",
            "bitrate: { (int)32000, (int)48000, (int)64000 }",
        ]:
            self.assertIn(line, out)

    def test_decoder(self):
        out = self.inspect("zebg719dec")
        for line in [
            "  Rank                     none (0)",
            "  Long-name                G.719 Decoder element",
            "  Klass                    Codec/Decoder/Audio \n",
            "  Description              Decode streams encoded with G.719",
            "ZebG719Dec",
            "      audio/G719\n",
        ]:
            self.assertIn(line, out)

    def test_module_lists_both_elements(self):
        out = self.inspect(os.environ["ZEB_G719_PLUGIN_FILE"])
        self.assertIn("zebg719enc: G.719 Encoder element", out)
        self.assertIn("zebg719dec: G.719 Decoder element", out)
        self.assertIn("2 features:", out)


class Pipelines(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.tmp.cleanup()

    def launch(self, pipeline):
        result = run(["gst-launch-1.0", "-q"] + pipeline.split())
        self.assertEqual(result.returncode, 0, pipeline + "\n" + result.stdout + result.stderr)

    def test_round_trip_counts_whole_frames_at_every_bitrate(self):
        # 50 buffers of 1000 samples: 52 whole frames, 80 samples left over.
        source = os.path.join(self.tmp.name, "source.wav")
        self.launch("audiotestsrc num-buffers=50 samplesperbuffer=1000 freq=1000 volume=0.5 ! "
                    "audio/x-raw,format=S16LE,rate=48000,channels=1 ! wavenc ! filesink location=" + source)
        _, _, _, original = read_wav(source)
        self.assertEqual(len(original), 50000)
        for bitrate in (32000, 48000, 64000):
            with self.subTest(bitrate=bitrate):
                out = os.path.join(self.tmp.name, "out_%d.wav" % bitrate)
                self.launch("filesrc location=%s ! wavparse ! audioconvert ! audioresample ! "
                            "zebg719enc bitrate=%d ! zebg719dec ! wavenc ! filesink location=%s"
                            % (source, bitrate, out))
                rate, channels, bits, decoded = read_wav(out)
                self.assertEqual((rate, channels, bits), (48000, 1, 16))
                self.assertEqual(len(decoded), 52 * 960)
                # The decoder's output is the input one frame (960 samples)
                # late; a 1 kHz tone comes back at its level and clean.
                delayed = decoded[960:]
                reference = original[:len(delayed)]
                level = 20 * math.log10(rms(delayed) / rms(reference))
                self.assertLess(abs(level), 0.5, "level changed by %.2f dB" % level)
                noise = rms([a - b for a, b in zip(reference, delayed)])
                snr = 20 * math.log10(rms(reference) / max(noise, 1e-9))
                self.assertGreater(snr, 30.0, "SNR %.1f dB" % snr)

    def test_stereo_44100_wav_through_convert_and_resample(self):
        source = os.path.join(self.tmp.name, "stereo.wav")
        out = os.path.join(self.tmp.name, "decoded.wav")
        self.launch("audiotestsrc num-buffers=20 samplesperbuffer=4410 wave=pink-noise ! "
                    "audio/x-raw,rate=44100,channels=2 ! wavenc ! filesink location=" + source)
        self.launch("filesrc location=%s ! wavparse ! audioconvert ! audioresample ! "
                    "zebg719enc bitrate=48000 ! zebg719dec ! wavenc ! filesink location=%s" % (source, out))
        rate, channels, bits, decoded = read_wav(out)
        self.assertEqual((rate, channels, bits), (48000, 1, 16))
        # 2 s at 44.1 kHz is 96000 samples at 48 kHz: 100 frames, give or take
        # the resampler's edges.
        self.assertIn(len(decoded) // 960, (99, 100))
        self.assertEqual(len(decoded) % 960, 0)
        self.assertGreater(rms(decoded), 100.0)

    def test_encoded_stream_size(self):
        out = os.path.join(self.tmp.name, "stream.g719")
        self.launch("audiotestsrc num-buffers=10 samplesperbuffer=960 ! "
                    "audio/x-raw,rate=48000,channels=1 ! zebg719enc bitrate=32000 ! "
                    "filesink location=" + out)
        with open(out, "rb") as f:
            data = f.read()
        self.assertEqual(len(data), 10 * 82)
        self.assertEqual([data[i * 82] for i in range(10)], [0x20] * 10)
        self.assertEqual([data[i * 82 + 1] for i in range(10)], [0x01] * 10)


if __name__ == "__main__":
    unittest.main(verbosity=2)
