// GStreamer for a fuzz target, set up inside this process alone: no
// registry helper process, no system plugins, no debug output.
#pragma once

#include <gst/gst.h>

#include <cstdlib>

inline void gst_fuzz_init() {
  setenv("GST_REGISTRY_FORK", "no", 1);
  setenv("GST_PLUGIN_SYSTEM_PATH", "", 1);
  setenv("GST_DEBUG", "0", 1);
  gst_init(nullptr, nullptr);
}
