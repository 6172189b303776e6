#include "bitstream_files.h"

#include <cstring>

#include "little_endian.h"
#include "messages.h"
#include "payload_toc.h"

namespace g719_tool {
namespace {

constexpr std::uint16_t kG192GoodFrame = 0x6B21;
constexpr std::uint16_t kG192ErasedFrame = 0x6B20;
constexpr std::uint16_t kG192Zero = 0x007F;
constexpr std::uint16_t kG192One = 0x0081;
constexpr unsigned kMaxFrameBits = G719_MAX_FRAME_BYTES * 8;
constexpr std::int32_t kFramesPerSecond = 50;  // 20 ms frames

unsigned frame_bytes(std::int32_t bitrate) { return static_cast<unsigned>(bitrate / 400); }

// Whether the codec makes instances for this bitrate.
bool codec_takes_bitrate(std::int32_t bitrate) {
  G719DecoderState *decoder = g719_decoder_create(bitrate);
  const bool takes = decoder != nullptr;
  g719_decoder_free(decoder);
  return takes;
}

unsigned long long ull(std::uint64_t v) { return static_cast<unsigned long long>(v); }

}  // namespace

std::optional<BitstreamFormat> parse_bitstream_format(std::string_view name) {
  for (BitstreamFormat f : {BitstreamFormat::payloads, BitstreamFormat::frames, BitstreamFormat::g192}) {
    if (name == bitstream_format_name(f)) return f;
  }
  return std::nullopt;
}

const char *bitstream_format_name(BitstreamFormat format) {
  switch (format) {
    case BitstreamFormat::payloads: return "payloads";
    case BitstreamFormat::frames: return "frames";
    case BitstreamFormat::g192: return "g192";
  }
  return "?";
}

BitstreamFormat default_bitstream_format(const std::string &path) {
  const auto ends_with = [&path](std::string_view end) {
    return path.size() >= end.size() && path.compare(path.size() - end.size(), end.size(), end) == 0;
  };
  return ends_with(".g192") || ends_with(".192") ? BitstreamFormat::g192 : BitstreamFormat::payloads;
}

bool format_carries_bitrate(BitstreamFormat format, std::int32_t bitrate, std::string *why) {
  if (!codec_takes_bitrate(bitrate)) {
    *why = g719_tool::format("unsupported bitrate %d (use a multiple of 400 from %d to %d)", bitrate,
                             G719_MIN_BITRATE, G719_MAX_BITRATE);
    return false;
  }
  if (format == BitstreamFormat::payloads && zeb_g719::length_code_for_bitrate(bitrate) < 0) {
    *why = g719_tool::format(
        "payloads carry 32000..88000 bit/s in steps of 4000 and 96000..128000 in steps of 8000 (a "
        "table-of-contents length code); use --format frames or g192 for %d bit/s",
        bitrate);
    return false;
  }
  return true;
}

FrameWriter::FrameWriter(BitstreamFormat format, std::int32_t bitrate, OutputStream &out)
    : format_(format), bitrate_(bitrate), out_(out) {}

void FrameWriter::write(const std::uint8_t *frame) {
  const unsigned bytes = frame_bytes(bitrate_);
  switch (format_) {
    case BitstreamFormat::payloads: {
      std::uint8_t toc[zeb_g719::kTocBytes];
      const auto length_code = static_cast<unsigned>(zeb_g719::length_code_for_bitrate(bitrate_));
      zeb_g719::write_toc_entry(toc, zeb_g719::TocEntry{false, length_code, 1});
      out_.write(toc, sizeof toc);
      out_.write(frame, bytes);
      break;
    }
    case BitstreamFormat::frames:
      out_.write(frame, bytes);
      break;
    case BitstreamFormat::g192: {
      unsigned char words[2 * (2 + kMaxFrameBits)];
      put_le16(words, kG192GoodFrame);
      put_le16(words + 2, bytes * 8);
      for (unsigned i = 0; i < bytes * 8; ++i)
        put_le16(words + 4 + 2 * i, (frame[i / 8] >> (7 - i % 8)) & 1 ? kG192One : kG192Zero);
      out_.write(words, 4 + 2 * bytes * 8);
      break;
    }
  }
}

FrameReader::FrameReader(BitstreamFormat format, std::int32_t bitrate, InputStream &in)
    : format_(format), in_(in), bitrate_(bitrate) {}

bool FrameReader::next(CodedFrame *frame) {
  *frame = CodedFrame{};
  bool more = false;
  switch (format_) {
    case BitstreamFormat::payloads: more = next_payload_frame(frame); break;
    case BitstreamFormat::frames: more = next_bare_frame(frame); break;
    case BitstreamFormat::g192: more = next_g192_frame(frame); break;
  }
  if (more) ++slot_;
  return more;
}

bool FrameReader::next_bare_frame(CodedFrame *frame) {
  const unsigned bytes = frame_bytes(bitrate_);
  const std::size_t got = in_.read(frame_, bytes);
  if (got == 0) return false;
  if (got < bytes) {
    fail(kDataError,
         "%s ends in a partial frame: %zu bytes after %ld whole frames of %u bytes (%d bit/s); is the bitrate right?",
         in_.name().c_str(), got, slot_, bytes, bitrate_);
  }
  *frame = CodedFrame{frame_, bitrate_};
  return true;
}

bool FrameReader::next_payload_frame(CodedFrame *frame) {
  while (payload_frames_left_ == 0) {
    const std::uint64_t at = in_.offset();
    std::uint8_t toc_bytes[zeb_g719::kTocBytes];
    const std::size_t got = in_.read(toc_bytes, sizeof toc_bytes);
    if (got == 0) return false;
    ++payload_;
    if (got < sizeof toc_bytes)
      fail(kDataError, "%s ends inside the table of contents of payload %ld at byte %llu", in_.name().c_str(),
           payload_, ull(at));
    const zeb_g719::PayloadToc toc = zeb_g719::read_payload_toc(toc_bytes[0], toc_bytes[1]);
    switch (toc.status) {
      case zeb_g719::TocStatus::more_entries:
      case zeb_g719::TocStatus::reserved:
        fail(kDataError,
             "payload %ld at byte %llu of %s: %s, in byte 0x%02X; g719-codec reads payloads of one entry as "
             "zebg719enc writes them (bare frames need --format frames --bitrate B)",
             payload_, ull(at), in_.name().c_str(), zeb_g719::toc_status_text(toc.status), toc_bytes[0]);
      case zeb_g719::TocStatus::empty:  // N frame slots without data: decoded as lost
      case zeb_g719::TocStatus::no_frames:
      case zeb_g719::TocStatus::valid:
        payload_frames_left_ = toc.frame_count;
        bitrate_ = toc.bitrate;
        break;
    }
  }
  --payload_frames_left_;
  if (bitrate_ == 0) return true;  // a slot of an L = 0 payload: lost
  const std::uint64_t at = in_.offset();
  const std::size_t got = in_.read(frame_, frame_bytes(bitrate_));
  if (got < frame_bytes(bitrate_)) {
    fail(kDataError, "%s ends inside payload %ld: the frame at byte %llu has %zu of its %u bytes",
         in_.name().c_str(), payload_, ull(at), got, frame_bytes(bitrate_));
  }
  *frame = CodedFrame{frame_, bitrate_};
  return true;
}

bool FrameReader::next_g192_frame(CodedFrame *frame) {
  const std::uint64_t at = in_.offset();
  unsigned char header[4];
  const std::size_t got = in_.read(header, sizeof header);
  if (got == 0) return false;
  if (got < sizeof header)
    fail(kDataError, "%s ends inside the header of G.192 frame %ld at byte %llu", in_.name().c_str(), slot_, ull(at));
  const unsigned sync = get_le16(header), bits = get_le16(header + 2);
  if (sync != kG192GoodFrame && sync != kG192ErasedFrame) {
    fail(kDataError,
         "G.192 frame %ld at byte %llu of %s starts with 0x%04X, not a sync word (0x6B21 good frame, 0x6B20 "
         "erased frame): not a little-endian G.192 file, or a damaged one",
         slot_, ull(at), in_.name().c_str(), sync);
  }
  // An erased frame may come without bits; every other length must be one
  // the codec has frames for (which makes it a whole number of bytes).
  const std::int32_t bitrate = static_cast<std::int32_t>(bits) * kFramesPerSecond;
  const bool length_ok = bits > 0 && (bitrate == bitrate_ || codec_takes_bitrate(bitrate));
  if (!(sync == kG192ErasedFrame && bits == 0) && !length_ok) {
    fail(kDataError,
         "G.192 frame %ld at byte %llu of %s is %u bits long; G.719 frames are a multiple of 8 bits from %d to %d",
         slot_, ull(at), in_.name().c_str(), bits, G719_MIN_BITRATE / kFramesPerSecond,
         G719_MAX_BITRATE / kFramesPerSecond);
  }
  unsigned char words[2 * kMaxFrameBits];
  const std::size_t word_bytes = in_.read(words, 2 * bits);
  if (word_bytes < 2 * bits) {
    fail(kDataError, "%s ends inside G.192 frame %ld (byte %llu): %zu of its %u bit words are there",
         in_.name().c_str(), slot_, ull(at), word_bytes / 2, bits);
  }
  if (sync == kG192ErasedFrame) return true;
  std::memset(frame_, 0, bits / 8);
  for (unsigned i = 0; i < bits; ++i) {
    const unsigned word = get_le16(words + 2 * i);
    if (word != kG192One && word != kG192Zero) {
      fail(kDataError, "G.192 frame %ld at byte %llu of %s: bit %u is 0x%04X, neither 0x007F (0) nor 0x0081 (1)",
           slot_, ull(at), in_.name().c_str(), i, word);
    }
    if (word == kG192One) frame_[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
  }
  bitrate_ = bitrate;
  *frame = CodedFrame{frame_, bitrate_};
  return true;
}

}  // namespace g719_tool
