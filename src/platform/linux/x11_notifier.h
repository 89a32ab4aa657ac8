#pragma once

#include <cstdint>
#include <string>

struct xcb_connection_t;

namespace kestrel {

// Sends the completion message to a caller's X11 window as a client
// message: type = the atom named after the message ("WM__PRINTOUT"),
// format 32, data = message number, wParam, lParam. The request is checked
// and flushed before Send returns, so messages arrive in the order sent,
// like sent (not posted) window messages.
class X11Notifier {
 public:
  X11Notifier() = default;
  ~X11Notifier();
  X11Notifier(const X11Notifier&) = delete;
  X11Notifier& operator=(const X11Notifier&) = delete;

  // false with a reason (no display, no such window) when it cannot be sent.
  bool Send(uint32_t window, const std::string& atomName, uint32_t message, uint32_t wparam, uint32_t lparam,
            std::string& error);

 private:
  bool Connect(std::string& error);
  xcb_connection_t* connection_ = nullptr;
};

}  // namespace kestrel
