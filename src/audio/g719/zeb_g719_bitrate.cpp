// The bitrate enumeration of the encoder's `bitrate` property: one value per
// bitrate the encoder element produces, its integer being the bit/s.
#include "zeb_g719_bitrate.h"

GType zeb_g719_bitrate_get_type (void)
{
  static gsize type_id = 0;
  static const GEnumValue values[] = {
    { 32000, "32000 bit/s (80-byte frames)", "32000" },
    { 48000, "48000 bit/s (120-byte frames)", "48000" },
    { 64000, "64000 bit/s (160-byte frames)", "64000" },
    { 0, nullptr, nullptr },
  };

  if (g_once_init_enter (&type_id)) {
    GType id = g_enum_register_static (g_intern_static_string ("ZebG719Bitrate"), values);
    g_once_init_leave (&type_id, id);
  }
  return static_cast<GType> (type_id);
}
