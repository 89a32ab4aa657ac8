#include "util/profile_file.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "support/engine_fixture.h"

namespace kestrel {
namespace {

using test::ReadFile;
using test::TempDir;

ProfileFile Parsed(const std::string& text) {
  ProfileFile f;
  f.Parse(text);
  return f;
}

TEST(ProfileFile, ReadsKeysWithoutRegardToCaseAndTrimsBlanks) {
  auto f = Parsed(SjisFromUtf8("[Setting]\n  $PMAP  =  3  \r\n$pFontMin= ＭＳ 明朝 \n"));
  EXPECT_EQ(f.GetInt("SETTING", "$pmap", 1), 3);
  EXPECT_EQ(f.GetString("setting", "$pfontmin", ""), "ＭＳ 明朝");
  EXPECT_EQ(f.GetString("SETTING", "$missing", "dflt"), "dflt");
  EXPECT_EQ(f.GetString("OTHER", "$pmap", "dflt"), "dflt");
}

TEST(ProfileFile, StripsOneMatchingPairOfQuotes) {
  auto f = Parsed("[S]\na=\"x y\"\nb='z'\nc=\"mixed'\nd=\"\"\ne=\"\na\"b=1\n");
  EXPECT_EQ(f.GetString("S", "a", "-"), "x y");
  EXPECT_EQ(f.GetString("S", "b", "-"), "z");
  EXPECT_EQ(f.GetString("S", "c", "-"), "\"mixed'");
  EXPECT_EQ(f.GetString("S", "d", "-"), "");
  EXPECT_EQ(f.GetString("S", "e", "-"), "\"");
}

TEST(ProfileFile, FirstSectionAndFirstKeyWin) {
  auto f = Parsed("[S]\nk=1\nk=2\n[T]\nx=0\n[s]\nk=3\nonly=4\n");
  EXPECT_EQ(f.GetInt("S", "k", 0), 1);
  // Keys of a later duplicate section are not seen.
  EXPECT_EQ(f.GetInt("S", "only", -1), -1);
}

TEST(ProfileFile, DamagedLinesReadAsMissingOrAsTheDefault) {
  auto f = Parsed("junk before\n[S]\nnoequals\n;k=commented\nn=abc\nr=1.5.2\nbig=99999999999\n[broken\nz=1\n");
  EXPECT_EQ(f.GetString("S", "noequals", "dflt"), "dflt");
  EXPECT_EQ(f.GetString("S", ";k", "dflt"), "dflt");
  EXPECT_EQ(f.GetString("S", "k", "dflt"), "dflt");
  EXPECT_EQ(f.GetInt("S", "n", 7), 7);
  EXPECT_EQ(f.GetReal("S", "r", 0.5), 0.5);
  EXPECT_EQ(f.GetInt("S", "big", 7), 7);
  // A header without its bracket still opens a section.
  EXPECT_EQ(f.GetInt("broken", "z", 0), 1);
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(char((i * 7919) & 0xFF));
  auto g = Parsed(binary + "\n[S]\nk=5\n" + std::string(10 << 20, 'q') + "\n");
  EXPECT_EQ(g.GetInt("S", "k", 0), 5);
}

TEST(ProfileFile, NumbersFollowTheSettingsRules) {
  auto f = Parsed("[S]\na=-12\nb=$1F\nc=0x10\nd=0.95\ne=1e3\nf= 2 \ng=\n");
  EXPECT_EQ(f.GetInt("S", "a", 0), -12);
  EXPECT_EQ(f.GetInt("S", "b", 0), 31);
  EXPECT_EQ(f.GetInt("S", "c", 0), 16);
  EXPECT_DOUBLE_EQ(f.GetReal("S", "d", 0), 0.95);
  EXPECT_DOUBLE_EQ(f.GetReal("S", "e", 0), 1000.0);
  EXPECT_EQ(f.GetInt("S", "f", 0), 2);
  EXPECT_EQ(f.GetInt("S", "g", 9), 9);
}

TEST(ProfileFile, WritesReplaceInPlaceAppendToTheSectionOrAddTheSection) {
  auto f = Parsed("; top comment\n[A]\nx = 1\n\n[B]\ny=2\n");
  f.SetString("a", "X", "10");
  f.SetString("A", "new", "n");
  f.SetString("C", "z", "3");
  f.SetString("B", "y", "");
  EXPECT_EQ(f.Serialize(), "; top comment\r\n[A]\r\nX=10\r\nnew=n\r\n\r\n[B]\r\ny=\r\n[C]\r\nz=3\r\n");
}

TEST(ProfileFile, LookupsAfterWritesReadAsAFreshParseOfTheText) {
  // Writes whose names or lines read as headers change where sections end.
  const std::vector<std::array<const char*, 3>> writes = {
      {"A", "x", "1"}, {"B", "y", "2"},   {"A", "z", "3"},  {"a]b", "k", "4"}, {"A", "[C", "]"},
      {"A", "k", "9"}, {"C", "k", "5"}, {"A", "x", "[D]"}, {"B", "y", "6"},  {"D", "q", "7"},   {"a]b", "k", "8"}};
  auto f = Parsed("[A]\nx=0\n[B]\n");
  for (const auto& [section, key, value] : writes) {
    f.SetString(section, key, value);
    const ProfileFile fresh = Parsed(f.Serialize());
    for (const char* s : {"A", "B", "C", "C=", "D", "a]b", "a"})
      for (const char* k : {"x", "y", "z", "k", "[C", "q"}) {
        ProfileFile after = f;  // as the write left it, for the next write too
        EXPECT_EQ(after.FindRaw(s, k), fresh.FindRaw(s, k)) << "after " << section << "/" << key << ": " << s << "/" << k;
      }
  }
}

TEST(ProfileFile, MissingFileReadsEmptyAndIsCreatedByAWrite) {
  TempDir dir;
  std::string path = dir.file("p.inf");
  EXPECT_EQ(ReadIniValue(path, "DefaultPrinter", "SelectPrinter", "Default"), "Default");
  ASSERT_TRUE(WriteIniValue(path, "DefaultPrinter", "SelectPrinter", "\"プリンタ A\""));
  ASSERT_TRUE(WriteIniValue(path, "DefaultPrinter", "Other", "1"));
  EXPECT_EQ(ReadFile(path), SjisFromUtf8("[DefaultPrinter]\r\nSelectPrinter=\"プリンタ A\"\r\nOther=1\r\n"));
  EXPECT_EQ(ReadIniValue(path, "defaultprinter", "selectprinter", ""), "プリンタ A");
  EXPECT_EQ(ReadIniInt(path, "DefaultPrinter", "Other", 0), 1);
  // The folder is not created.
  EXPECT_FALSE(WriteIniValue(dir.file("no/such/p.inf"), "S", "k", "v"));
}

TEST(ProfileFile, KeepsOtherLinesAndKeysOfDoubleByteNames) {
  TempDir dir;
  std::string path = dir.Write("o.txt", SjisFromUtf8("[OFSET]\nプリンタ Ａ=1,2\n; note\n"));
  ASSERT_TRUE(WriteIniValue(path, "OFSET", "プリンタ ａ", "3,4"));  // Ａ and ａ differ
  // A new key goes after the section's last non-blank line.
  EXPECT_EQ(ReadFile(path), SjisFromUtf8("[OFSET]\r\nプリンタ Ａ=1,2\r\n; note\r\nプリンタ ａ=3,4\r\n"));
  ProfileFile f;
  ASSERT_EQ(f.Load(path), ProfileFile::LoadResult::kOk);
  EXPECT_EQ(f.Keys("OFSET"), (std::vector<std::string>{"プリンタ Ａ", "プリンタ ａ"}));
  EXPECT_EQ(f.Load(dir.path().string()), ProfileFile::LoadResult::kReadFailed);
  EXPECT_EQ(f.Load(dir.file("none")), ProfileFile::LoadResult::kMissing);
}

}  // namespace
}  // namespace kestrel
