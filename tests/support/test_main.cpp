// Test entry: installs the platform's text converter, then runs the tests.
#include <gtest/gtest.h>

#include "platform/linux/iconv_codec.h"

int main(int argc, char** argv) {
  kestrel::InstallIconvCodec();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
