#include "util/bounded_read.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/engine_fixture.h"
#include "util/profile_file.h"

namespace kestrel {
namespace {

using test::TempDir;

TEST(ReadBoundedFile, ReadsUpToTheLimitAndRefusesOrCutsWhatIsLonger) {
  TempDir dir;
  std::vector<std::string> refusals;
  SetReadRefusalSink([&](const std::string& line) { refusals.push_back(line); });
  const std::string exact = dir.Write("exact.txt", std::string(100, 'a'));
  const std::string longer = dir.Write("longer.txt", std::string(101, 'b'));
  std::string bytes;
  EXPECT_EQ(ReadBoundedFile(exact, 100, bytes), ReadStatus::kOk);
  EXPECT_EQ(bytes, std::string(100, 'a'));
  EXPECT_EQ(ReadBoundedFile(longer, 100, bytes), ReadStatus::kTooLarge);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadBoundedFile(longer, 100, bytes, BeyondLimit::kCut), ReadStatus::kOk);
  EXPECT_EQ(bytes, std::string(100, 'b'));
  EXPECT_EQ(ReadBoundedFile(dir.file("none.txt"), 100, bytes), ReadStatus::kMissing);
  ASSERT_EQ(refusals.size(), 1u);
  EXPECT_NE(refusals[0].find("longer.txt"), std::string::npos);
  EXPECT_NE(refusals[0].find("100"), std::string::npos);
  SetReadRefusalSink({});
}

TEST(ReadBoundedFile, PipesDevicesFoldersAndHugeSparseFilesAreRefusedAtOnce) {
  TempDir dir;
  const std::string pipe = dir.file("pipe.inf");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.file("zero.inf"));
  std::filesystem::create_symlink("/dev/urandom", dir.file("random.inf"));
  const std::string sparse = dir.Write("sparse.txt", std::string());
  std::filesystem::resize_file(sparse, uintmax_t(20) << 30);  // 20 GB, no blocks written

  const auto started = std::chrono::steady_clock::now();
  std::string bytes;
  EXPECT_EQ(ReadBoundedFile(pipe, kProfileFileLimit, bytes), ReadStatus::kNotRegular);
  EXPECT_EQ(ReadBoundedFile(dir.file("zero.inf"), kProfileFileLimit, bytes), ReadStatus::kNotRegular);
  EXPECT_EQ(ReadBoundedFile(dir.file("random.inf"), kProfileFileLimit, bytes), ReadStatus::kNotRegular);
  EXPECT_EQ(ReadBoundedFile(dir.path().string(), kProfileFileLimit, bytes), ReadStatus::kNotRegular);
  EXPECT_EQ(ReadBoundedFile(sparse, kProfileFileLimit, bytes), ReadStatus::kTooLarge);
  // Print data is cut at its array instead.
  std::vector<char> area(4096, 'x');
  size_t got = 0;
  EXPECT_EQ(ReadBoundedFile(sparse, area.data(), area.size(), got), ReadStatus::kOk);
  EXPECT_EQ(got, area.size());
  EXPECT_EQ(area[0], '\0');
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));

  // Profile files read through it: a settings file that is a device reads
  // as unreadable, not as an endless file.
  ProfileFile file;
  EXPECT_EQ(file.Load(dir.file("zero.inf")), ProfileFile::LoadResult::kReadFailed);
  EXPECT_EQ(file.Load(pipe), ProfileFile::LoadResult::kReadFailed);
}

}  // namespace
}  // namespace kestrel
