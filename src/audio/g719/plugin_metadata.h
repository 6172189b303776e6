/* Identity strings shared by every Zebora GStreamer module (the codec
 * plugin, the parser and the RTP modules), so that gst-inspect-1.0 shows one
 * origin, package and author spelling for all of them. The module version
 * comes from the build (the project version). */
#ifndef ZEB_PLUGIN_METADATA_H
#define ZEB_PLUGIN_METADATA_H

#include "zeb_plugin_version.h"

#define ZEB_PLUGIN_LICENSE "LGPL"
#define ZEB_PLUGIN_SOURCE "Zebora"
#define ZEB_PLUGIN_PACKAGE "GStreamer"
#define ZEB_PLUGIN_ORIGIN "https://zebora.example/"

#define ZEB_AUTHOR_AUDIO_TEAM "Zebora Audio Team <audio@zebora.example>"
#define ZEB_AUTHOR_CODEC_TEAM "Zebora Codec Team <codecs@zebora.example>"

#endif /* ZEB_PLUGIN_METADATA_H */
