// The plugin module's exported entry points, opened as the plugin loader
// opens them: the descriptor's fields and static registration.
#include <gtest/gtest.h>

#include <gmodule.h>
#include <gst/gst.h>

#include <cstdlib>
#include <string>

namespace {

using GetDesc = const GstPluginDesc *(*) ();
using Register = void (*) ();

class PluginModule : public ::testing::Test {
 protected:
  static void SetUpTestSuite ()
  {
    gst_init (nullptr, nullptr);
    const char *path = std::getenv ("ZEB_G719_PLUGIN_FILE");
    ASSERT_NE (path, nullptr) << "ZEB_G719_PLUGIN_FILE names the built module";
    module_ = g_module_open (path, G_MODULE_BIND_LOCAL);
    ASSERT_NE (module_, nullptr) << g_module_error ();
  }

  template <typename F>
  static F symbol (const char *name)
  {
    gpointer p = nullptr;
    if (module_ == nullptr || !g_module_symbol (module_, name, &p))
      return nullptr;
    return reinterpret_cast<F> (p);
  }

  static inline GModule *module_ = nullptr;
};

TEST_F (PluginModule, DescriptorIsConstantAndCarriesThePluginIdentity)
{
  auto get_desc = symbol<GetDesc> ("gst_plugin_zebg719_avx2_get_desc");
  ASSERT_NE (get_desc, nullptr);
  const GstPluginDesc *desc = get_desc ();
  ASSERT_NE (desc, nullptr);
  EXPECT_EQ (get_desc (), desc) << "the same descriptor every time";
  EXPECT_EQ (desc->major_version, 1);
  EXPECT_EQ (desc->minor_version, 17);
  EXPECT_STREQ (desc->name, "zebg719_avx2");
  EXPECT_STREQ (desc->description, "Zebora AS world-class audio elements");
  EXPECT_NE (desc->plugin_init, nullptr);
  EXPECT_STREQ (desc->version, "1.0.20");
  EXPECT_STREQ (desc->source, "Zebora");
  EXPECT_STREQ (desc->package, "GStreamer");
  ASSERT_NE (desc->origin, nullptr);
  EXPECT_EQ (std::string (desc->origin).rfind ("https://", 0), 0u) << desc->origin;
  EXPECT_EQ (desc->release_datetime, nullptr);
  for (gpointer reserved : desc->_gst_reserved)
    EXPECT_EQ (reserved, nullptr);
  // Only the two descriptor functions leave the module.
  EXPECT_EQ (symbol<gpointer> ("plugin_init"), nullptr);
}

TEST_F (PluginModule, StaticRegistrationAddsBothElementsAtRankNone)
{
  auto register_static = symbol<Register> ("gst_plugin_zebg719_avx2_register");
  ASSERT_NE (register_static, nullptr);
  ASSERT_EQ (gst_registry_find_plugin (gst_registry_get (), "zebg719_avx2"), nullptr)
      << "this test runs without the plugin on the plugin path";
  register_static ();

  GstPlugin *plugin = gst_registry_find_plugin (gst_registry_get (), "zebg719_avx2");
  ASSERT_NE (plugin, nullptr);
  EXPECT_STREQ (gst_plugin_get_description (plugin), "Zebora AS world-class audio elements");
  EXPECT_STREQ (gst_plugin_get_version (plugin), "1.0.20");
  EXPECT_STREQ (gst_plugin_get_source (plugin), "Zebora");
  EXPECT_STREQ (gst_plugin_get_package (plugin), "GStreamer");
  gst_object_unref (plugin);

  for (const char *name : {"zebg719enc", "zebg719dec"}) {
    GstElementFactory *factory = gst_element_factory_find (name);
    ASSERT_NE (factory, nullptr) << name;
    EXPECT_EQ (gst_plugin_feature_get_rank (GST_PLUGIN_FEATURE (factory)), GST_RANK_NONE);
    EXPECT_STREQ (gst_plugin_feature_get_plugin_name (GST_PLUGIN_FEATURE (factory)), "zebg719_avx2");
    GstElement *element = gst_element_factory_create (factory, nullptr);
    EXPECT_NE (element, nullptr);
    if (element != nullptr)
      gst_object_unref (element);
    gst_object_unref (factory);
  }
  // Autoplugging ignores rank-0 factories.
  GList *decoders = gst_element_factory_list_get_elements (GST_ELEMENT_FACTORY_TYPE_DECODER,
      GST_RANK_MARGINAL);
  for (GList *l = decoders; l != nullptr; l = l->next)
    EXPECT_STRNE (GST_OBJECT_NAME (l->data), "zebg719dec");
  gst_plugin_feature_list_free (decoders);
}

}  // namespace
