// HarfBuzz's subsetter, opened when the first PDF font is written rather
// than at start: a run without a PDF page with text never loads it (nor the
// libraries it needs). The font writer's calls go through this table.
#pragma once

#include <hb-subset.h>
#include <hb.h>

#include <string>

#include "platform/loader/shared_library.h"

#define KESTREL_HARFBUZZ_FUNCTIONS(X)                                                                              \
  X(hb_blob_create_from_file_or_fail) X(hb_blob_destroy) X(hb_blob_get_data) X(hb_blob_get_length) X(hb_face_create) \
  X(hb_face_destroy) X(hb_face_reference_blob) X(hb_map_create) X(hb_map_destroy) X(hb_map_get) X(hb_map_set)        \
  X(hb_set_add) X(hb_subset_input_create_or_fail) X(hb_subset_input_destroy) X(hb_subset_input_glyph_set)            \
  X(hb_subset_input_set) X(hb_subset_input_set_flags) X(hb_subset_plan_create_or_fail) X(hb_subset_plan_destroy)     \
  X(hb_subset_plan_execute_or_fail) X(hb_subset_plan_old_to_new_glyph_mapping) X(hb_tag_from_string)

namespace kestrel {

struct HarfBuzzLibrary {
  KESTREL_HARFBUZZ_FUNCTIONS(KESTREL_FUNCTION_POINTER)
};

// Opens the subsetter (and HarfBuzz with it) once per process; false with
// the reason in error when it cannot be opened or lacks a function.
bool OpenHarfBuzz(std::string& error);

// The opened library; only after OpenHarfBuzz succeeded.
const HarfBuzzLibrary& HarfBuzz();

}  // namespace kestrel
