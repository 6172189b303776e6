/* SECTION:element-zebg719parse
 *
 * Frames a byte stream of G.719 payloads, each a two-byte table of contents
 * followed by N frames of B bytes, into one payload per buffer. Every
 * buffer gets a duration of N x 20 ms and a timestamp; the source caps carry
 * the payload's bitrate and change when the bitrate changes. Damaged data
 * (an invalid table of contents, inserted bytes, a truncated last payload)
 * is skipped, never pushed, and the parser resynchronises on the next place
 * where the stream visibly goes on.
 *
 * Example pipelines:
 *   gst-launch-1.0 filesrc location=talk.g719 ! zebg719parse ! zebg719dec ! autoaudiosink
 *   gst-launch-1.0 filesrc location=talk.g719 ! zebg719parse ! zebg719dec ! wavenc ! filesink location=talk.wav
 */
#include "zebg719parse.h"

#include <cinttypes>
#include <span>

#include "payload_scanner.h"
#include "plugin_metadata.h"

GST_DEBUG_CATEGORY_STATIC(zeb_g719_parse_debug);
#define GST_CAT_DEFAULT zeb_g719_parse_debug

struct _ZebG719Parse {
  GstBaseParse parent;

  /* Table of contents of the last payload pushed; meaningful once
   * have_previous is set (kept when sync is lost, as a hint for
   * resynchronisation). */
  zeb_g719::PayloadToc previous;
  gboolean have_previous;
  /* The next byte handed to handle_frame is where a payload should start:
   * the start of the stream or the byte after the payload just pushed. */
  gboolean at_boundary;
  /* Bitrate announced in the current source caps; 0 before the first. */
  gint caps_bitrate;
  /* The duration was set from the stream length for a constant layout;
   * cleared when the layout changes and the base class estimates again. */
  gboolean exact_duration;
  gboolean duration_checked;
  /* Bytes skipped since the last payload pushed, and where that run began. */
  guint64 skipped_run;
  guint64 skipped_run_offset;
};

G_DEFINE_TYPE(ZebG719Parse, zeb_g719_parse, GST_TYPE_BASE_PARSE)

static GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("audio/G719"));

static GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("audio/G719, rate = (int) 48000, channels = (int) 1, "
                    "bitrate = (int) [ 32000, 128000 ], framed = (boolean) true"));

/* Forget everything about the stream position: the next bytes may start
 * anywhere. */
static void zeb_g719_parse_lose_sync(ZebG719Parse *self) { self->at_boundary = FALSE; }

/* The stream state a new stream starts from: nothing seen, at a payload
 * boundary, no caps sent yet. */
static void zeb_g719_parse_reset(ZebG719Parse *self) {
  self->previous = zeb_g719::PayloadToc{};
  self->have_previous = FALSE;
  self->at_boundary = TRUE;
  self->caps_bitrate = 0;
  self->exact_duration = FALSE;
  self->duration_checked = FALSE;
  self->skipped_run = 0;
  self->skipped_run_offset = 0;
}

static gboolean zeb_g719_parse_start(GstBaseParse *parse) {
  ZebG719Parse *self = ZEB_G719_PARSE(parse);
  GST_DEBUG_OBJECT(self, "start");
  zeb_g719_parse_reset(self);
  gst_base_parse_set_min_frame_size(parse, zeb_g719::kTocBytes);
  return TRUE;
}

static gboolean zeb_g719_parse_stop(GstBaseParse *parse) {
  GST_DEBUG_OBJECT(parse, "stop");
  return TRUE;
}

static gboolean zeb_g719_parse_sink_event(GstBaseParse *parse, GstEvent *event) {
  if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
    // Push-mode seek: data restarts at an arbitrary byte.
    zeb_g719_parse_lose_sync(ZEB_G719_PARSE(parse));
  }
  return GST_BASE_PARSE_CLASS(zeb_g719_parse_parent_class)->sink_event(parse, event);
}

/* Codec name and the payloads' nominal bitrate, for players and the
 * discoverer; sent again whenever the bitrate changes. */
static void zeb_g719_parse_post_tags(ZebG719Parse *self, const zeb_g719::PayloadToc &toc) {
  GstTagList *tags = gst_tag_list_new(GST_TAG_AUDIO_CODEC, "ITU-T G.719", GST_TAG_NOMINAL_BITRATE,
                                      static_cast<guint>(toc.bitrate), nullptr);
  gst_base_parse_merge_tags(GST_BASE_PARSE(self), tags, GST_TAG_MERGE_REPLACE);
  gst_tag_list_unref(tags);
}

static gboolean zeb_g719_parse_update_caps(ZebG719Parse *self, const zeb_g719::PayloadToc &toc) {
  if (toc.bitrate == self->caps_bitrate) return TRUE;
  GST_INFO_OBJECT(self, "bitrate %d bit/s (%u bytes per frame)", toc.bitrate, toc.frame_bytes);
  GstCaps *caps = gst_caps_new_simple("audio/G719", "rate", G_TYPE_INT, 48000, "channels",
                                      G_TYPE_INT, 1, "bitrate", G_TYPE_INT, toc.bitrate,
                                      "framed", G_TYPE_BOOLEAN, TRUE, nullptr);
  const gboolean ok = gst_pad_set_caps(GST_BASE_PARSE_SRC_PAD(self), caps);
  gst_caps_unref(caps);
  if (ok) {
    self->caps_bitrate = toc.bitrate;
    zeb_g719_parse_post_tags(self, toc);
  }
  return ok;
}

/* A file of identical payloads lasts exactly (length / payload size) x N x
 * 20 ms; telling the base class so gives the right duration from the first
 * payload on, instead of an estimate that settles only after many. When the
 * layout changes, the base class's bitrate-based estimate takes over. */
static void zeb_g719_parse_update_duration(ZebG719Parse *self, const zeb_g719::PayloadToc &toc,
                                           guint64 offset) {
  GstBaseParse *parse = GST_BASE_PARSE(self);
  if (!self->duration_checked) {
    self->duration_checked = TRUE;
    gint64 length = 0;
    if (offset == 0 && gst_pad_peer_query_duration(parse->sinkpad, GST_FORMAT_BYTES, &length) &&
        length > 0 && static_cast<guint64>(length) % toc.payload_bytes == 0) {
      const guint64 payloads = static_cast<guint64>(length) / toc.payload_bytes;
      const GstClockTime duration = payloads * toc.frame_count * zeb_g719::kFrameDurationNs;
      GST_DEBUG_OBJECT(self, "constant layout over %" G_GINT64_FORMAT " bytes: %" GST_TIME_FORMAT,
                       length, GST_TIME_ARGS(duration));
      gst_base_parse_set_duration(parse, GST_FORMAT_TIME, static_cast<gint64>(duration), 0);
      self->exact_duration = TRUE;
    }
    return;
  }
  if (self->exact_duration && !zeb_g719::same_payload_layout(self->previous, toc)) {
    GST_DEBUG_OBJECT(self, "payload layout changed, estimating the duration from now on");
    gst_base_parse_set_duration(parse, GST_FORMAT_TIME, -1, 50);
    self->exact_duration = FALSE;
  }
}

static GstFlowReturn zeb_g719_parse_handle_frame(GstBaseParse *parse, GstBaseParseFrame *frame,
                                                 gint *skipsize) {
  ZebG719Parse *self = ZEB_G719_PARSE(parse);

  // After a discontinuity (a pull-mode seek, lost input) the first byte is
  // no longer known to follow the last payload pushed.
  if (GST_BUFFER_IS_DISCONT(frame->buffer) && self->have_previous) zeb_g719_parse_lose_sync(self);

  GstMapInfo map;
  if (!gst_buffer_map(frame->buffer, &map, GST_MAP_READ)) {
    GST_ELEMENT_ERROR(self, RESOURCE, READ, ("Could not read the input data."),
                      ("failed to map the input buffer"));
    return GST_FLOW_ERROR;
  }

  ScanContext ctx;
  ctx.previous = self->have_previous && self->at_boundary ? &self->previous : nullptr;
  ctx.recent = self->have_previous ? &self->previous : nullptr;
  ctx.at_boundary = self->at_boundary;
  ctx.at_end = GST_BASE_PARSE_DRAINING(parse);
  const ScanResult r = scan_payload(std::span<const std::uint8_t>(map.data, map.size), ctx);
  const gsize available = map.size;
  const unsigned first_byte = map.size > 0 ? map.data[0] : 0u;
  gst_buffer_unmap(frame->buffer, &map);

  switch (r.action) {
    case ScanAction::need_more:
      GST_LOG_OBJECT(self, "have %" G_GSIZE_FORMAT " bytes, need %" G_GSIZE_FORMAT, available,
                     r.bytes);
      gst_base_parse_set_min_frame_size(parse, static_cast<guint>(r.bytes));
      *skipsize = 0;
      return GST_FLOW_OK;

    case ScanAction::skip:
      if (r.reason == RejectReason::bad_toc) {
        GST_WARNING_OBJECT(self,
                           "skipping %" G_GSIZE_FORMAT " bytes at offset %" G_GUINT64_FORMAT
                           ": %s (byte 0 = 0x%02x, L = %u, N = %u)",
                           r.bytes, frame->offset, zeb_g719::toc_status_text(r.toc.status),
                           first_byte, r.toc.length_code,
                           r.toc.frame_count);
      } else {
        GST_WARNING_OBJECT(self,
                           "skipping %" G_GSIZE_FORMAT " bytes at offset %" G_GUINT64_FORMAT
                           ": %s",
                           r.bytes, frame->offset, reject_reason_text(r.reason));
      }
      if (self->skipped_run == 0) self->skipped_run_offset = frame->offset;
      self->skipped_run += r.bytes;
      zeb_g719_parse_lose_sync(self);
      gst_base_parse_set_min_frame_size(parse, zeb_g719::kTocBytes);
      *skipsize = static_cast<gint>(r.bytes);
      return GST_FLOW_OK;

    case ScanAction::emit:
      break;
  }

  const zeb_g719::PayloadToc &toc = r.toc;
  GST_LOG_OBJECT(self, "payload at offset %" G_GUINT64_FORMAT ": L = %u, %u frames of %u bytes",
                 frame->offset, toc.length_code, toc.frame_count, toc.frame_bytes);
  if (!zeb_g719_parse_update_caps(self, toc)) {
    GST_WARNING_OBJECT(self, "downstream refused %d bit/s", toc.bitrate);
    return GST_FLOW_NOT_NEGOTIATED;
  }
  if (self->skipped_run > 0) {
    GST_WARNING_OBJECT(self,
                       "resynchronised at offset %" G_GUINT64_FORMAT ": skipped %" G_GUINT64_FORMAT
                       " bytes from offset %" G_GUINT64_FORMAT,
                       frame->offset, self->skipped_run, self->skipped_run_offset);
    self->skipped_run = 0;
  }

  zeb_g719_parse_update_duration(self, toc, frame->offset);
  GST_BUFFER_DURATION(frame->buffer) = toc.frame_count * zeb_g719::kFrameDurationNs;
  self->previous = toc;
  self->have_previous = TRUE;
  self->at_boundary = TRUE;
  gst_base_parse_set_min_frame_size(parse, zeb_g719::kTocBytes);
  return gst_base_parse_finish_frame(parse, frame, static_cast<gint>(toc.payload_bytes));
}

static void zeb_g719_parse_class_init(ZebG719ParseClass *klass) {
  GstElementClass *element_class = GST_ELEMENT_CLASS(klass);
  GstBaseParseClass *parse_class = GST_BASE_PARSE_CLASS(klass);

  GST_DEBUG_CATEGORY_INIT(zeb_g719_parse_debug, "g719parse", 0, "G.719 payload stream parser");

  gst_element_class_add_static_pad_template(element_class, &src_template);
  gst_element_class_add_static_pad_template(element_class, &sink_template);
  gst_element_class_set_static_metadata(
      element_class, "G.719 stream parser", "Codec/Parser/Audio",
      "Splits a G.719 payload stream into one payload per buffer",
      ZEB_AUTHOR_AUDIO_TEAM);

  parse_class->start = GST_DEBUG_FUNCPTR(zeb_g719_parse_start);
  parse_class->stop = GST_DEBUG_FUNCPTR(zeb_g719_parse_stop);
  parse_class->sink_event = GST_DEBUG_FUNCPTR(zeb_g719_parse_sink_event);
  parse_class->handle_frame = GST_DEBUG_FUNCPTR(zeb_g719_parse_handle_frame);
}

static void zeb_g719_parse_init(ZebG719Parse *self) {
  zeb_g719_parse_reset(self);
}

gboolean zeb_g719_parse_register(GstPlugin *plugin) {
  // Above the usual decoder ranks so that decodebin plugs it in front of a
  // decoder for raw .g719 files.
  return gst_element_register(plugin, "zebg719parse", GST_RANK_PRIMARY + 1, ZEB_TYPE_G719_PARSE);
}
