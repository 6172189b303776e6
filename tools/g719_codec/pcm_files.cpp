#include "pcm_files.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

#include "frame/g719_codec.h"
#include "little_endian.h"
#include "messages.h"

namespace g719_tool {
namespace {

constexpr std::size_t kFrameBytes = G719_FRAME_SAMPLES * 2;
constexpr std::size_t kRiffHeaderBytes = 12;
constexpr std::uint32_t kSampleRate = 48000;
constexpr unsigned kFormatPcm = 1, kFormatFloat = 3, kFormatAlaw = 6, kFormatMulaw = 7, kFormatExtensible = 0xFFFE;

bool has_tag(const unsigned char *p, const char *tag) { return std::memcmp(p, tag, 4) == 0; }

std::string describe_encoding(unsigned tag, unsigned bits) {
  switch (tag) {
    case kFormatPcm: return format("%u-bit integer PCM", bits);
    case kFormatFloat: return format("%u-bit floating-point", bits);
    case kFormatAlaw: return "A-law";
    case kFormatMulaw: return "mu-law";
    default: return format("audio format 0x%04X", tag);
  }
}

}  // namespace

bool has_wav_name(const std::string &path) {
  return path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".wav") == 0;
}

PcmReader::PcmReader(InputStream &in) : in_(in) {
  sniffed_.resize(kRiffHeaderBytes);
  sniffed_.resize(in_.read(sniffed_.data(), kRiffHeaderBytes));
  const bool riff = sniffed_.size() == kRiffHeaderBytes && has_tag(sniffed_.data() + 8, "WAVE");
  if (riff && has_tag(sniffed_.data(), "RIFF")) {
    sniffed_.clear();
    is_wav_ = true;
    read_wav_header();
  } else if (riff && (has_tag(sniffed_.data(), "RIFX") || has_tag(sniffed_.data(), "RF64"))) {
    fail(kDataError, "%s is a big-endian (RIFX) or RF64 WAV file; only RIFF WAV files are read",
         in_.name().c_str());
  } else if (has_wav_name(in_.path())) {
    fail(kDataError, "%s has no RIFF/WAVE header; a headerless S16LE file must not be named .wav",
         in_.name().c_str());
  }
}

// Walks the chunks up to the data chunk, checking the fmt chunk on the way.
void PcmReader::read_wav_header() {
  bool have_format = false;
  for (;;) {
    unsigned char chunk[8];
    if (in_.read(chunk, sizeof chunk) != sizeof chunk)
      fail(kDataError, "%s is a WAV file without a data chunk", in_.name().c_str());
    const std::uint32_t size = get_le32(chunk + 4);
    if (has_tag(chunk, "data")) {
      if (!have_format) fail(kDataError, "%s: the WAV data chunk comes before the fmt chunk", in_.name().c_str());
      audio_left_ = size;  // a size past the end of the file (e.g. a stream's 0xFFFFFFFF) reads to the end
      return;
    }
    unsigned char fmt[40] = {};
    const std::size_t kept = has_tag(chunk, "fmt ") ? std::min<std::size_t>(size, sizeof fmt) : 0;
    if (in_.read(fmt, kept) != kept || in_.skip(size - kept + (size & 1)) != size - kept + (size & 1))
      fail(kDataError, "%s is a WAV file without a data chunk", in_.name().c_str());
    if (!has_tag(chunk, "fmt ")) continue;
    if (size < 16) fail(kDataError, "%s: the WAV fmt chunk has %u bytes, fewer than 16", in_.name().c_str(), size);
    const unsigned channels = get_le16(fmt + 2), bits = get_le16(fmt + 14);
    const std::uint32_t rate = get_le32(fmt + 4);
    const unsigned tag = get_le16(fmt) == kFormatExtensible && size >= 26 ? get_le16(fmt + 24) : get_le16(fmt);
    if (tag != kFormatPcm || bits != 16 || rate != kSampleRate || channels != 1) {
      fail(kDataError,
           "%s holds %s audio at %u Hz in %u channel%s; g719-codec encodes 16-bit integer PCM at 48000 Hz, mono "
           "(convert it first, e.g. sox IN -e signed -b 16 -r 48000 -c 1 OUT.wav)",
           in_.name().c_str(), describe_encoding(tag, bits).c_str(), rate, channels, channels == 1 ? "" : "s");
    }
    have_format = true;
  }
}

std::size_t PcmReader::read_audio(unsigned char *data, std::size_t bytes) {
  std::size_t got = std::min(bytes, sniffed_.size());
  std::copy_n(sniffed_.begin(), got, data);
  sniffed_.erase(sniffed_.begin(), sniffed_.begin() + static_cast<std::ptrdiff_t>(got));
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(bytes - got, audio_left_));
  const std::size_t more = in_.read(data + got, want);
  audio_left_ -= more;
  return got + more;
}

bool PcmReader::read_frame(std::int16_t *pcm) {
  unsigned char raw[kFrameBytes] = {};
  const std::size_t got = read_audio(raw, sizeof raw);
  audio_bytes_ += got;
  if (got == 0) return false;
  if (got % 2 != 0) {
    fail(kDataError, "%s holds %llu bytes of audio, an odd number: the last sample is cut in half",
         in_.name().c_str(), static_cast<unsigned long long>(audio_bytes_));
  }
  if (got < sizeof raw) padded_samples_ = static_cast<unsigned>((sizeof raw - got) / 2);
  for (int i = 0; i < G719_FRAME_SAMPLES; ++i) pcm[i] = static_cast<std::int16_t>(get_le16(raw + 2 * i));
  return true;
}

PcmWriter::PcmWriter(OutputStream &out, bool wav) : out_(out), wav_(wav) {
  if (!wav_) return;
  unsigned char header[44];
  std::memcpy(header, "RIFF\xFF\xFF\xFF\xFFWAVEfmt ", 16);
  put_le32(header + 16, 16);
  put_le16(header + 20, kFormatPcm);
  put_le16(header + 22, 1);
  put_le32(header + 24, kSampleRate);
  put_le32(header + 28, kSampleRate * 2);
  put_le16(header + 32, 2);
  put_le16(header + 34, 16);
  std::memcpy(header + 36, "data\xFF\xFF\xFF\xFF", 8);
  out_.write(header, sizeof header);
}

void PcmWriter::write_frame(const std::int16_t *pcm) {
  unsigned char raw[kFrameBytes];
  for (int i = 0; i < G719_FRAME_SAMPLES; ++i) put_le16(raw + 2 * i, static_cast<std::uint16_t>(pcm[i]));
  out_.write(raw, sizeof raw);
  audio_bytes_ += sizeof raw;
}

void PcmWriter::finish() {
  constexpr std::uint64_t kLargestSize = 0xFFFFFFFFu - 36;
  if (wav_ && audio_bytes_ <= kLargestSize) {
    unsigned char size[4];
    put_le32(size, static_cast<std::uint32_t>(audio_bytes_ + 36));
    if (out_.overwrite(4, size, 4)) {
      put_le32(size, static_cast<std::uint32_t>(audio_bytes_));
      out_.overwrite(40, size, 4);
    }
  }
  out_.finish();
}

}  // namespace g719_tool
