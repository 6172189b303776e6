/* The gstzebg719rtp module: rtpzebg719pay and rtpzebg719depay, G.719 over
 * RTP (RFC 5404). A module of its own, so that the codec plugin keeps
 * exactly its two elements. */
#include <gst/gst.h>

#include "plugin_metadata.h"
#include "rtpzebg719depay.h"
#include "rtpzebg719pay.h"

static gboolean
plugin_init (GstPlugin * plugin)
{
  /* Both registrations run, even when the first one fails. */
  const gboolean pay_ok = gst_element_register (plugin, "rtpzebg719pay",
      GST_RANK_SECONDARY, ZEB_TYPE_G719_RTP_PAY);
  const gboolean depay_ok = gst_element_register (plugin, "rtpzebg719depay",
      GST_RANK_SECONDARY, ZEB_TYPE_G719_RTP_DEPAY);
  return pay_ok && depay_ok;
}

/* GST_PLUGIN_DEFINE takes the descriptor's source from PACKAGE. */
#define PACKAGE ZEB_PLUGIN_SOURCE
GST_PLUGIN_DEFINE (GST_VERSION_MAJOR, GST_VERSION_MINOR, zebg719rtp,
    "RTP payloader and depayloader for G.719 (RFC 5404)", plugin_init,
    ZEB_PLUGIN_VERSION, ZEB_PLUGIN_LICENSE, ZEB_PLUGIN_PACKAGE, ZEB_PLUGIN_ORIGIN)
