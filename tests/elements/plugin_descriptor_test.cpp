// The plugin module as the loader sees it: the exported descriptor, static
// registration, and the registered elements' metadata, pad templates and
// property. This is the one place that states them.
#include <gtest/gtest.h>

#include <gmodule.h>
#include <gst/gst.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

template <typename F>
F symbol (const char *name)
{
  static GModule *module = g_module_open (std::getenv ("ZEB_G719_PLUGIN_FILE"), G_MODULE_BIND_LOCAL);
  gpointer p = nullptr;
  return module != nullptr && g_module_symbol (module, name, &p) ? reinterpret_cast<F> (p) : nullptr;
}

TEST (PluginModule, DescriptorAndRegisteredElements)
{
  gst_init (nullptr, nullptr);
  auto get_desc = symbol<const GstPluginDesc *(*) ()> ("gst_plugin_zebg719_avx2_get_desc");
  ASSERT_NE (get_desc, nullptr) << g_module_error ();
  const GstPluginDesc *desc = get_desc ();
  ASSERT_EQ (get_desc (), desc) << "one constant descriptor";
  EXPECT_EQ (desc->major_version, 1);
  EXPECT_EQ (desc->minor_version, 17);
  EXPECT_STREQ (desc->name, "zebg719_avx2");
  EXPECT_STREQ (desc->description, "Zebora AS world-class audio elements");
  EXPECT_STREQ (desc->version, "1.0.20");
  EXPECT_STREQ (desc->source, "Zebora");
  EXPECT_STREQ (desc->package, "GStreamer");
  EXPECT_EQ (std::string (desc->origin).rfind ("https://", 0), 0u) << desc->origin;
  EXPECT_EQ (desc->release_datetime, nullptr);
  EXPECT_EQ (symbol<gpointer> ("plugin_init"), nullptr) << "only the two descriptor functions are exported";

  ASSERT_EQ (gst_registry_find_plugin (gst_registry_get (), "zebg719_avx2"), nullptr)
      << "runs without the plugin on the plugin path";
  symbol<void (*) ()> ("gst_plugin_zebg719_avx2_register") ();

  const struct { const char *name, *type, *longname, *klass, *description, *caps[2]; int authors; } elements[] = {
    {"zebg719enc", "ZebG719Enc", "G.719 Encoder element", "Codec/Encoder/Audio ", "Encode streams with G.719",
     {"audio/G719, rate = (int) 48000, channels = (int) 1, bitrate = (int) { 32000, 48000, 64000 }",
      "audio/x-raw, format = S16LE, layout = (string) interleaved, rate = (int) 48000, channels = (int) 1"}, 2},
    {"zebg719dec", "ZebG719Dec", "G.719 Decoder element", "Codec/Decoder/Audio ", "Decode streams encoded with G.719",
     {"audio/x-raw, format = S16LE, layout = (string) interleaved, rate = (int) 48000, channels = (int) 1",
      "audio/G719"}, 1},
  };
  for (const auto &e : elements) {
    SCOPED_TRACE (e.name);
    GstElementFactory *factory = gst_element_factory_find (e.name);
    ASSERT_NE (factory, nullptr);
    EXPECT_EQ (gst_plugin_feature_get_rank (GST_PLUGIN_FEATURE (factory)), GST_RANK_NONE);
    EXPECT_STREQ (gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_LONGNAME), e.longname);
    EXPECT_STREQ (gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_KLASS), e.klass);
    EXPECT_STREQ (gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_DESCRIPTION), e.description);
    const std::string author = gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_AUTHOR);
    EXPECT_EQ (std::count (author.begin (), author.end (), '@'), e.authors);
    EXPECT_EQ (std::count (author.begin (), author.end (), '\n'), e.authors - 1);
    GstElement *element = gst_element_factory_create (factory, nullptr);
    EXPECT_STREQ (G_OBJECT_TYPE_NAME (element), e.type);
    int i = 0;
    for (GList *l = gst_element_class_get_pad_template_list (GST_ELEMENT_GET_CLASS (element)); l; l = l->next, i++) {
      GstPadTemplate *t = GST_PAD_TEMPLATE (l->data);
      EXPECT_STREQ (GST_PAD_TEMPLATE_NAME_TEMPLATE (t), i == 0 ? "src" : "sink");
      EXPECT_EQ (GST_PAD_TEMPLATE_PRESENCE (t), GST_PAD_ALWAYS);
      GstCaps *expected = gst_caps_from_string (e.caps[i]), *actual = gst_pad_template_get_caps (t);
      EXPECT_TRUE (gst_caps_is_strictly_equal (expected, actual)) << i;
      gst_caps_unref (expected);
      gst_caps_unref (actual);
    }
    EXPECT_EQ (i, 2);
    gst_object_unref (element);
    gst_object_unref (factory);
  }

  GstElement *enc = gst_element_factory_make ("zebg719enc", nullptr);
  GParamSpec *pspec = g_object_class_find_property (G_OBJECT_GET_CLASS (enc), "bitrate");
  ASSERT_TRUE (pspec != nullptr && G_IS_PARAM_SPEC_ENUM (pspec));
  EXPECT_STREQ (g_param_spec_get_nick (pspec), "Bitrate");
  EXPECT_STREQ (g_param_spec_get_blurb (pspec), "The bitrate to decode");
  EXPECT_EQ (static_cast<int> (pspec->flags), 231);
  EXPECT_EQ (G_PARAM_SPEC_ENUM (pspec)->default_value, 64000);
  const GEnumClass *values = G_PARAM_SPEC_ENUM (pspec)->enum_class;
  ASSERT_EQ (values->n_values, 3u);
  for (guint i = 0; i < 3; i++)
    EXPECT_EQ (values->values[i].value, 32000 + 16000 * int (i));
  gst_object_unref (enc);
}

}  // namespace
