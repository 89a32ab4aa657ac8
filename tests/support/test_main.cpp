// Test entry: keeps every test away from the machine's print queues,
// installs the platform's text converter, then runs the tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/linux/iconv_codec.h"

int main(int argc, char** argv) {
  // The programs the tests start hide CUPS (a test that prints through CUPS
  // clears this for its run), and libcups in every test process talks only
  // to the private test server (scripts/start-cups.sh) in the folder named
  // by KESTREL_TEST_CUPS, or to no server at all: a job can never reach a
  // queue the tests did not create.
  setenv("KESTREL_NO_CUPS", "1", 1);
  const char* folder = std::getenv("KESTREL_TEST_CUPS");
  std::string server = folder != nullptr && *folder != '\0' ? std::string(folder) + "/cups.sock"
                                                             : "/nonexistent/kestrel-tests/cups.sock";
  setenv("CUPS_SERVER", server.c_str(), 1);
  kestrel::InstallIconvCodec();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
