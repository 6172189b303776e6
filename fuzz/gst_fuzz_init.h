// GStreamer for a fuzz target, set up inside this process alone: no
// registry helper process, no system plugins, no debug output. A GLib
// critical or warning (a failed precondition, data before a segment) aborts
// the input as a finding.
#pragma once

#include <gst/gst.h>

#include <cstdlib>

inline void gst_fuzz_init() {
  setenv("GST_REGISTRY_FORK", "no", 1);
  setenv("GST_PLUGIN_SYSTEM_PATH", "", 1);
  setenv("GST_DEBUG", "0", 1);
  gst_init(nullptr, nullptr);
  g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING));
}
