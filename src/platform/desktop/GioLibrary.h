#pragma once

#include <gio/gio.h>

// The GSettings functions, from the GIO library loaded when a desktop of the GNOME family is first
// used: every other desktop, and the program idling in the tray there, does without GIO and the
// libraries it pulls in.
#define LUMORA_GIO_FUNCTIONS(F)                                                                              \
    F(g_object_unref)                                                                                        \
    F(g_settings_apply)                                                                                      \
    F(g_settings_delay)                                                                                      \
    F(g_settings_get_string)                                                                                 \
    F(g_settings_get_user_value)                                                                             \
    F(g_settings_new_full)                                                                                   \
    F(g_settings_reset)                                                                                      \
    F(g_settings_revert)                                                                                     \
    F(g_settings_schema_get_key)                                                                             \
    F(g_settings_schema_has_key)                                                                             \
    F(g_settings_schema_key_range_check)                                                                     \
    F(g_settings_schema_key_unref)                                                                           \
    F(g_settings_schema_source_get_default)                                                                  \
    F(g_settings_schema_source_lookup)                                                                       \
    F(g_settings_schema_unref)                                                                               \
    F(g_settings_set_value)                                                                                  \
    F(g_settings_sync)

struct TGio {
#define LUMORA_GIO_POINTER(name) decltype(&::name) name = nullptr;
    LUMORA_GIO_FUNCTIONS(LUMORA_GIO_POINTER)
#undef LUMORA_GIO_POINTER
};

// The library's functions, loaded on the first call; null when GIO cannot be loaded, which leaves
// GSettings unavailable like a missing schema does.
const TGio* Gio();
