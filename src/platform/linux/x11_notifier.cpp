#include "platform/linux/x11_notifier.h"

#include "platform/linux/xcb_library.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace kestrel {

X11Notifier::~X11Notifier() {
  if (connection_ != nullptr) Xcb().xcb_disconnect(connection_);
}

bool X11Notifier::Connect(std::string& error) {
  if (connection_ != nullptr) return true;
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    error = "no display (DISPLAY is not set)";
    return false;
  }
  std::string reason;
  if (!OpenXcb(reason)) {
    error = "cannot open the X library: " + reason;
    return false;
  }
  xcb_connection_t* c = Xcb().xcb_connect(nullptr, nullptr);
  if (c == nullptr || Xcb().xcb_connection_has_error(c) != 0) {
    if (c != nullptr) Xcb().xcb_disconnect(c);
    error = std::string("cannot connect to display ") + display;
    return false;
  }
  connection_ = c;
  return true;
}

bool X11Notifier::Send(uint32_t window, const std::string& atomName, uint32_t message, uint32_t wparam,
                       uint32_t lparam, std::string& error) {
  if (!Connect(error)) return false;
  xcb_intern_atom_cookie_t ac = Xcb().xcb_intern_atom(connection_, 0, uint16_t(atomName.size()), atomName.c_str());
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      Xcb().xcb_intern_atom_reply(connection_, ac, nullptr), &std::free);
  if (!atom) {
    error = "cannot intern atom " + atomName;
    return false;
  }
  xcb_client_message_event_t event;
  std::memset(&event, 0, sizeof event);
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = atom->atom;
  event.data.data32[0] = message;
  event.data.data32[1] = wparam;
  event.data.data32[2] = lparam;
  xcb_void_cookie_t cookie = Xcb().xcb_send_event_checked(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                    reinterpret_cast<const char*>(&event));
  std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> failure(Xcb().xcb_request_check(connection_, cookie),
                                                                     &std::free);
  if (failure) {
    error = failure->error_code == XCB_WINDOW ? "no such window" : "X error " + std::to_string(failure->error_code);
    return false;
  }
  Xcb().xcb_flush(connection_);
  return true;
}

}  // namespace kestrel
