// Plugin module entry: the constant plugin descriptor, the two exported
// descriptor functions and plugin_init, which registers zebg719enc and
// zebg719dec.
#include <gmodule.h>
#include <gst/gst.h>

#include "plugin_metadata.h"
#include "zebg719dec.h"
#include "zebg719enc.h"

static gboolean
plugin_init (GstPlugin * plugin)
{
  /* Both registrations run, even when the first one fails. */
  const gboolean enc_ok = gst_element_register (plugin, "zebg719enc",
      GST_RANK_NONE, zeb_g719_enc_get_type ());
  const gboolean dec_ok = gst_element_register (plugin, "zebg719dec",
      GST_RANK_NONE, zeb_g719_dec_get_type ());
  return enc_ok && dec_ok;
}

#define ZEB_PLUGIN_NAME "zebg719_avx2"
#define ZEB_PLUGIN_DESCRIPTION "Zebora AS world-class audio elements"

static const GstPluginDesc plugin_desc = {
  1,
  17,
  ZEB_PLUGIN_NAME,
  ZEB_PLUGIN_DESCRIPTION,
  plugin_init,
  ZEB_PLUGIN_VERSION,
  ZEB_PLUGIN_LICENSE,
  ZEB_PLUGIN_SOURCE,
  ZEB_PLUGIN_PACKAGE,
  ZEB_PLUGIN_ORIGIN,
  nullptr,
  GST_PADDING_INIT,
};

extern "C" {

G_MODULE_EXPORT const GstPluginDesc *gst_plugin_zebg719_avx2_get_desc (void);
G_MODULE_EXPORT void gst_plugin_zebg719_avx2_register (void);

const GstPluginDesc *
gst_plugin_zebg719_avx2_get_desc (void)
{
  return &plugin_desc;
}

void
gst_plugin_zebg719_avx2_register (void)
{
  gst_plugin_register_static (1, 17, ZEB_PLUGIN_NAME, ZEB_PLUGIN_DESCRIPTION,
      plugin_init, ZEB_PLUGIN_VERSION, ZEB_PLUGIN_LICENSE, ZEB_PLUGIN_SOURCE,
      ZEB_PLUGIN_PACKAGE, ZEB_PLUGIN_ORIGIN);
}

}  // extern "C"
