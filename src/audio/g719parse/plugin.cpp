/* The gstzebg719parse module: the zebg719parse element and the type finder
 * for .g719 payload files. Kept apart from the codec plugin so that its
 * registration stays untouched. */
#include <gst/gst.h>

#include "payload_typefind.h"
#include "plugin_metadata.h"
#include "zebg719parse.h"

static gboolean plugin_init(GstPlugin *plugin) {
  const gboolean element_ok = zeb_g719_parse_register(plugin);
  const gboolean typefind_ok = zeb_g719_typefind_register(plugin);
  return element_ok && typefind_ok;
}

// GST_PLUGIN_DEFINE takes the descriptor's source from PACKAGE.
#define PACKAGE ZEB_PLUGIN_SOURCE
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, zebg719parse,
                  "Parser for streams of G.719 payloads", plugin_init, ZEB_PLUGIN_VERSION,
                  ZEB_PLUGIN_LICENSE, ZEB_PLUGIN_PACKAGE, ZEB_PLUGIN_ORIGIN)
