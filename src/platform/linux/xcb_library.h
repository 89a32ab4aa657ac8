// libxcb, opened when a run first talks to an X display (the display test
// of the Ui choice, the completion message to a caller's window) rather
// than at start.
#pragma once

#include <xcb/xcb.h>

#include <string>

#include "platform/loader/shared_library.h"

#define KESTREL_XCB_FUNCTIONS(X)                                                                        \
  X(xcb_connect) X(xcb_connection_has_error) X(xcb_disconnect) X(xcb_intern_atom) X(xcb_intern_atom_reply) \
  X(xcb_send_event_checked) X(xcb_request_check) X(xcb_flush)

namespace kestrel {

struct XcbLibrary {
  KESTREL_XCB_FUNCTIONS(KESTREL_FUNCTION_POINTER)
};

// Opens libxcb once per process; false with the reason in error when it
// cannot be opened or lacks one of the functions.
bool OpenXcb(std::string& error);

// The opened library; only after OpenXcb succeeded.
const XcbLibrary& Xcb();

}  // namespace kestrel
