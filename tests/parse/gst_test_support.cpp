#include "gst_test_support.h"

#include <unistd.h>

void TempFile::close_fd(int fd) { ::close(fd); }

Taken take_buffer(GstBuffer *buffer, GstCaps *caps) {
  Taken t{};
  GstMapInfo map;
  if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
    t.bytes.assign(map.data, map.data + map.size);
    gst_buffer_unmap(buffer, &map);
  }
  t.pts = GST_BUFFER_PTS(buffer);
  t.duration = GST_BUFFER_DURATION(buffer);
  t.discont = GST_BUFFER_IS_DISCONT(buffer);
  if (caps && gst_caps_get_size(caps) > 0)
    gst_structure_get_int(gst_caps_get_structure(caps, 0), "bitrate", &t.caps_bitrate);
  return t;
}

AppSinkPipeline::AppSinkPipeline(const std::string &description) {
  ensure_gst();
  GError *err = nullptr;
  pipeline_ = gst_parse_launch(description.c_str(), &err);
  if (err) {
    ADD_FAILURE() << "cannot build '" << description << "': " << err->message;
    g_error_free(err);
  }
  if (pipeline_) sink_ = gst_bin_get_by_name(GST_BIN(pipeline_), "sink");
}

AppSinkPipeline::~AppSinkPipeline() {
  if (pipeline_) {
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(pipeline_);
  }
  if (sink_) gst_object_unref(sink_);
}

bool AppSinkPipeline::set_state(GstState state) {
  if (gst_element_set_state(pipeline_, state) == GST_STATE_CHANGE_FAILURE) return false;
  return gst_element_get_state(pipeline_, nullptr, nullptr, 10 * GST_SECOND) !=
         GST_STATE_CHANGE_FAILURE;
}

bool AppSinkPipeline::pull_preroll(Taken *out) {
  GstSample *s = gst_app_sink_try_pull_preroll(GST_APP_SINK(sink_), 10 * GST_SECOND);
  if (!s) return false;
  *out = take_buffer(gst_sample_get_buffer(s), gst_sample_get_caps(s));
  gst_sample_unref(s);
  return true;
}

bool AppSinkPipeline::pull_all(std::vector<Taken> *out, std::size_t limit) {
  while (out->size() < limit) {
    GstSample *s = gst_app_sink_try_pull_sample(GST_APP_SINK(sink_), 10 * GST_SECOND);
    if (!s) break;
    out->push_back(take_buffer(gst_sample_get_buffer(s), gst_sample_get_caps(s)));
    gst_sample_unref(s);
  }
  return bus_error().empty();
}

std::string AppSinkPipeline::bus_error() {
  GstBus *bus = gst_element_get_bus(pipeline_);
  std::string text;
  while (GstMessage *m = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
    GError *err = nullptr;
    gst_message_parse_error(m, &err, nullptr);
    if (text.empty() && err) text = err->message;
    if (err) g_error_free(err);
    gst_message_unref(m);
  }
  gst_object_unref(bus);
  return text;
}
