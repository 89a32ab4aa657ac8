// A stand-in for the calling application's window: creates an X11 window,
// prints its id on standard output, and appends one line per client message
// it receives to the file named by its argument:
//   <atom name> <data0> <data1> <data2>
// It runs until it is killed.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kestrel_test_window <record-file>\n");
    return 2;
  }
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (c == nullptr || xcb_connection_has_error(c)) {
    std::fprintf(stderr, "test_window: no display\n");
    return 1;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  xcb_window_t w = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    screen->root_visual, 0, nullptr);
  xcb_flush(c);
  std::printf("%u\n", w);
  std::fflush(stdout);
  while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
    if ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
      auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
      auto cookie = xcb_get_atom_name(c, m->type);
      std::string name = "?";
      if (auto* r = xcb_get_atom_name_reply(c, cookie, nullptr)) {
        name.assign(xcb_get_atom_name_name(r), size_t(xcb_get_atom_name_name_length(r)));
        std::free(r);
      }
      if (FILE* f = std::fopen(argv[1], "a")) {
        std::fprintf(f, "%s %u %u %u\n", name.c_str(), m->data.data32[0], m->data.data32[1], m->data.data32[2]);
        std::fclose(f);
      }
    }
    std::free(e);
  }
  return 0;
}
