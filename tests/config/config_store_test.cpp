#include "config/config_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/temp_home.h"

namespace varnelo::config {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::ReadFile;
using test::WriteFile;

class ConfigStoreTest : public ::testing::Test {
protected:
  std::filesystem::path File() const { return dir_.Path() / "robotconfig.ini"; }
  TConfigStore Store(std::string_view content) const {
    WriteFile(File(), content);
    return TConfigStore(File());
  }

  test::TTempDir dir_;
};

struct TReadCase {
  const char* name;
  const char* file;
  const char* section;
  const char* key;
  const char* expected;
};

class ReadStringTest : public ConfigStoreTest, public ::testing::WithParamInterface<TReadCase> {};

TEST_P(ReadStringTest, ReadsTheStoredText) {
  const TReadCase& c = GetParam();
  EXPECT_EQ(Store(c.file).ReadString(c.section, c.key, "<default>"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadStringTest,
    ::testing::Values(
        TReadCase{"plain", "[r]\r\nkey=value\r\n", "r", "key", "value"},
        TReadCase{"keyCaseIgnored", "[r]\r\nScriptName=a.pas\r\n", "r", "scriptname", "a.pas"},
        TReadCase{"sectionCaseIgnored", "[Robot]\r\nk=v\r\n", "rOBOT", "k", "v"},
        TReadCase{"blanksTrimmed", "[r]\r\n  k \t=  some value \t\r\n", "r", "k", "some value"},
        TReadCase{"blanksAroundHeader", "  [ r ]  \r\nk=v\r\n", "r", "k", "v"},
        TReadCase{"emptyValue", "[r]\r\nk=\r\n", "r", "k", ""},
        TReadCase{"equalsInValue", "[r]\r\nk=a=b\r\n", "r", "k", "a=b"},
        TReadCase{"missingKey", "[r]\r\nk=v\r\n", "r", "other", "<default>"},
        TReadCase{"missingSection", "[r]\r\nk=v\r\n", "s", "k", "<default>"},
        TReadCase{"keyOfAnotherSection", "[r]\r\n[s]\r\nk=v\r\n", "r", "k", "<default>"},
        TReadCase{"keyBeforeAnySection", "k=v\r\n[r]\r\n", "r", "k", "<default>"},
        TReadCase{"duplicateKeyFirstWins", "[r]\r\nk=1\r\nK=2\r\n", "r", "k", "1"},
        TReadCase{"duplicateSectionFirstWins", "[r]\r\nk=1\r\n[R]\r\nk=2\r\nj=3\r\n", "r", "j", "<default>"},
        TReadCase{"lfOnly", "[r]\nk=v\nj=w\n", "r", "j", "w"},
        TReadCase{"crOnly", "[r]\rk=v\rj=w\r", "r", "j", "w"},
        TReadCase{"noFinalLineEnd", "[r]\r\nk=v", "r", "k", "v"},
        TReadCase{"lineWithoutEquals", "[r]\r\njunk\r\nk=v\r\n", "r", "k", "v"},
        TReadCase{"lineWithoutEqualsIsNoKey", "[r]\r\njunk\r\n", "r", "junk", "<default>"},
        TReadCase{"headerWithoutBracket", "[r\r\nk=v\r\n", "r", "k", "v"},
        TReadCase{"textAfterHeader", "[r] trailing\r\nk=v\r\n", "r", "k", "v"},
        TReadCase{"keyWithBlankInName", "[r]\r\nLocal File=/tmp/a\r\n", "r", "local file", "/tmp/a"},
        TReadCase{"utf8BytesAsIs", "[r\xC3\xA9]\r\nk=\xC3\xA9t\xC3\xA9\r\n", "r\xC3\xA9", "k", "\xC3\xA9t\xC3\xA9"},
        TReadCase{"onlyAsciiFolded", "[\xC3\xA9]\r\nk=v\r\n", "\xC3\x89", "k", "<default>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigStoreTest, MissingFileGivesDefaultsAndEmptyListings) {
  const TConfigStore store(File());
  EXPECT_EQ(store.ReadString("s", "k", "d"), "d");
  EXPECT_EQ(store.ReadInteger("s", "k", 7), 7);
  EXPECT_THAT(store.ReadSections(), IsEmpty());
  EXPECT_THAT(store.ReadSection("s"), IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(ConfigStoreTest, ValuesAreCutAt2047Characters) {
  const std::string longValue(100000, 'x');
  const TConfigStore store = Store("[r]\r\nk=" + longValue + "\r\nnext=1\r\n");
  EXPECT_EQ(store.ReadString("r", "k", ""), std::string(2047, 'x'));
  EXPECT_EQ(store.ReadInteger("r", "next", 0), 1);
  EXPECT_THAT(store.ReadSectionValues("r"), ElementsAre("k=" + std::string(2047, 'x'), "next=1"));
}

TEST_F(ConfigStoreTest, NulBytesAreOrdinaryBytes) {
  const std::string content("[r]\r\na=x\0y\r\nb=2\r\n", 18);
  const TConfigStore store = Store(content);
  EXPECT_EQ(store.ReadString("r", "a", ""), std::string("x\0y", 3));
  EXPECT_EQ(store.ReadInteger("r", "b", 0), 2);
}

struct TIntegerCase {
  const char* text;
  int expected;
};

class ReadIntegerTest : public ConfigStoreTest, public ::testing::WithParamInterface<TIntegerCase> {};

TEST_P(ReadIntegerTest, ParsesOrFallsBack) {
  const TConfigStore store = Store(std::string("[r]\r\nk=") + GetParam().text + "\r\n");
  EXPECT_EQ(store.ReadInteger("r", "k", -99), GetParam().expected) << "text: " << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadIntegerTest,
    ::testing::Values(TIntegerCase{"42", 42}, TIntegerCase{"  42  ", 42}, TIntegerCase{"-7", -7},
                      TIntegerCase{"+7", 7}, TIntegerCase{"007", 7}, TIntegerCase{"0", 0},
                      TIntegerCase{"0x1F", 31}, TIntegerCase{"0X1f", 31}, TIntegerCase{"0xFFFFFFFF", -1},
                      TIntegerCase{"0x", -99}, TIntegerCase{"0x1G", -99}, TIntegerCase{"0x100000000", -99},
                      TIntegerCase{"0x-1", -99}, TIntegerCase{"", -99}, TIntegerCase{"abc", -99},
                      TIntegerCase{"12abc", -99}, TIntegerCase{"1 2", -99}, TIntegerCase{"+-1", -99},
                      TIntegerCase{"--1", -99}, TIntegerCase{"2147483647", 2147483647},
                      TIntegerCase{"2147483648", -99}, TIntegerCase{"-2147483648", -2147483647 - 1},
                      TIntegerCase{"1.5", -99}));

TEST_F(ConfigStoreTest, BooleansAreIntegers) {
  const TConfigStore store = Store("[r]\r\none=1\r\nzero=0\r\ntwo=2\r\nneg=-1\r\nword=yes\r\n");
  EXPECT_TRUE(store.ReadBool("r", "one", false));
  EXPECT_FALSE(store.ReadBool("r", "zero", true));
  EXPECT_TRUE(store.ReadBool("r", "two", false));
  EXPECT_TRUE(store.ReadBool("r", "neg", false));
  EXPECT_TRUE(store.ReadBool("r", "word", true));
  EXPECT_FALSE(store.ReadBool("r", "word", false));
  EXPECT_TRUE(store.ReadBool("r", "missing", true));
}

struct TWriteCase {
  const char* name;
  const char* before;
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

class WriteStringTest : public ConfigStoreTest, public ::testing::WithParamInterface<TWriteCase> {};

TEST_P(WriteStringTest, ChangesOnlyWhatItMust) {
  const TWriteCase& c = GetParam();
  const TConfigStore store = Store(c.before);
  store.WriteString(c.section, c.key, c.value);
  EXPECT_EQ(ReadFile(File()), c.after);
  std::string readBack(c.value);  // reads trim the blanks around a value
  readBack.erase(0, readBack.find_first_not_of(' '));
  readBack.erase(readBack.find_last_not_of(' ') + 1);
  EXPECT_EQ(store.ReadString(c.section, c.key, "<default>"), readBack);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteStringTest,
    ::testing::Values(
        TWriteCase{"newFile", "", "general", "nextrobot", "1", "[general]\r\nnextrobot=1\r\n"},
        TWriteCase{"replaceInPlace", "[r]\r\na=1\r\nk=old\r\nb=2\r\n", "r", "k", "new", "[r]\r\na=1\r\nk=new\r\nb=2\r\n"},
        TWriteCase{"replaceKeepsKeySpelling", "[r]\r\nScriptName=a\r\n", "r", "scriptname", "b", "[r]\r\nScriptName=b\r\n"},
        TWriteCase{"replaceKeepsLineEnd", "[r]\nk=old\nz=1\n", "r", "k", "new", "[r]\nk=new\nz=1\n"},
        TWriteCase{"replaceUnterminatedLastLine", "[r]\r\nk=old", "r", "k", "new", "[r]\r\nk=new"},
        TWriteCase{"replaceFirstOfDuplicates", "[r]\r\nk=1\r\nk=2\r\n", "r", "K", "3", "[r]\r\nk=3\r\nk=2\r\n"},
        TWriteCase{"appendAtEndOfSection", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n", "a", "z", "3",
                   "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n"},
        TWriteCase{"appendToEmptySection", "[a]\r\n[b]\r\n", "a", "k", "v", "[a]\r\nk=v\r\n[b]\r\n"},
        TWriteCase{"appendAfterUnterminatedLine", "[a]\r\nx=1", "a", "y", "2", "[a]\r\nx=1\r\ny=2\r\n"},
        TWriteCase{"appendKeepsOddLineEnds", "[a]\rx=1\r[b]\n", "a", "y", "2", "[a]\rx=1\ry=2\r\n[b]\n"},
        TWriteCase{"appendToFirstOfDuplicateSections", "[a]\r\n[A]\r\n", "a", "k", "v", "[a]\r\nk=v\r\n[A]\r\n"},
        TWriteCase{"newSectionAtEnd", "[a]\r\nx=1\r\n", "b", "y", "2", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
        TWriteCase{"newSectionAfterUnterminatedLine", "[a]\r\nx=1", "b", "y", "2", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
        TWriteCase{"otherLinesKept", "junk\r\n[a]\r\nno equals\r\n;c=1\r\nx=1\r\n", "a", "x", "2",
                   "junk\r\n[a]\r\nno equals\r\n;c=1\r\nx=2\r\n"},
        TWriteCase{"valueWrittenAsGiven", "", "s", "k", " padded ", "[s]\r\nk= padded \r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigStoreTest, WriteKeepsEveryOtherByte) {
  // A file with everything a hand edit or another program can leave in it.
  const std::string longLine(100000, 'y');
  const std::string before = std::string("\xEF\xBB\xBF; head\n[general]\r\nnextrobot=2\r\nno equals here\r") +
                             "dup=1\r\nDUP=2\n[r]\r\nlong=" + longLine + "\r\n" + std::string("nul=\0\0", 6) +
                             "\r\nk=old\r\n  \r\n[z]\ntail=1";
  const TConfigStore store = Store(before);
  store.WriteString("r", "k", "new");
  std::string expected = before;
  expected.replace(expected.find("k=old"), 5, "k=new");
  EXPECT_EQ(ReadFile(File()), expected);
}

TEST_F(ConfigStoreTest, TypedWritesUseDecimalAndOneZero) {
  const TConfigStore store(File());
  store.WriteInteger("r", "n", -12);
  store.WriteBool("r", "t", true);
  store.WriteBool("r", "f", false);
  EXPECT_EQ(ReadFile(File()), "[r]\r\nn=-12\r\nt=1\r\nf=0\r\n");
}

TEST_F(ConfigStoreTest, WriteOfTheSameValueLeavesTheFileAlone) {
  const TConfigStore store = Store("[r]\nk=v");
  struct stat before {};
  ASSERT_EQ(::stat(File().c_str(), &before), 0);
  store.WriteString("r", "k", "v");
  struct stat after {};
  ASSERT_EQ(::stat(File().c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(ConfigStoreTest, ListingsInFileOrder) {
  const TConfigStore store = Store("[general]\r\n[b]\r\nz=1\r\n junk\r\na = 2 \r\n=nameless\r\n[General]\r\n[a]\r\n");
  EXPECT_THAT(store.ReadSections(), ElementsAre("general", "b", "General", "a"));
  EXPECT_THAT(store.ReadSection("B"), ElementsAre("z", "a"));
  EXPECT_THAT(store.ReadSectionValues("b"), ElementsAre("z=1", "a=2"));
  EXPECT_THAT(store.ReadSection("missing"), IsEmpty());
}

// Each name takes its length plus a NUL in the 16384-byte buffer, which ends with one more NUL.
TEST_F(ConfigStoreTest, ListingsStopAtTheBufferSize) {
  const std::string name99(99, 's');  // 100 bytes with its NUL
  std::string content;
  std::string keys = "[r]\r\n";
  for (int i = 0; i < 200; ++i) {
    const std::string unique = name99.substr(0, 96) + std::to_string(100 + i);
    content += "[" + unique + "]\r\n";
    keys += unique + "=" + std::to_string(i) + "\r\n";
  }
  // 163 names use 16300 bytes; the 164th would need 16401 with the final NUL.
  EXPECT_EQ(Store(content).ReadSections().size(), 163u);
  EXPECT_EQ(Store(keys).ReadSection("r").size(), 163u);
  EXPECT_EQ(Store(keys).ReadSectionValues("r").size(), 163u);

  // A last name that fits exactly, with the final NUL, is listed.
  const std::string exact = "[" + std::string(16382, 'x') + "]\r\n";
  EXPECT_EQ(Store(exact).ReadSections().size(), 1u);
  EXPECT_THAT(Store("[" + std::string(16383, 'x') + "]\r\n").ReadSections(), IsEmpty());
}

TEST_F(ConfigStoreTest, EraseSectionRemovesHeaderAndKeys) {
  const TConfigStore store = Store("[a]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n; note\r\n[c]\r\nz=3");
  store.EraseSection("b");
  EXPECT_EQ(ReadFile(File()), "[a]\r\nx=1\r\n\r\n[c]\r\nz=3");
  store.EraseSection("c");
  EXPECT_EQ(ReadFile(File()), "[a]\r\nx=1\r\n\r\n");
  store.EraseSection("missing");
  EXPECT_EQ(ReadFile(File()), "[a]\r\nx=1\r\n\r\n");
}

TEST_F(ConfigStoreTest, DeleteKeyRemovesItsLine) {
  const TConfigStore store = Store("[a]\r\nk=1\r\nj=2\r\n[b]\r\nk=3\r\n");
  store.DeleteKey("A", "K");
  EXPECT_EQ(ReadFile(File()), "[a]\r\nj=2\r\n[b]\r\nk=3\r\n");
  store.DeleteKey("a", "missing");
  store.DeleteKey("missing", "k");
  EXPECT_EQ(ReadFile(File()), "[a]\r\nj=2\r\n[b]\r\nk=3\r\n");
}

TEST_F(ConfigStoreTest, EraseOnMissingFileCreatesNothing) {
  const TConfigStore store(File());
  store.EraseSection("a");
  store.DeleteKey("a", "k");
  EXPECT_FALSE(std::filesystem::exists(File()));
}

struct TRefusedCase {
  const char* name;
  std::string section;
  std::string key;
  std::string value;
};

class RefusedWriteTest : public ConfigStoreTest, public ::testing::WithParamInterface<TRefusedCase> {};

// What a line cannot hold would change other sections or keys when read back; such a write fails
// with the store's error and leaves the file as it was.
TEST_P(RefusedWriteTest, FailsWithoutTouchingTheFile) {
  const TRefusedCase& c = GetParam();
  const std::string before = "[r]\r\nk=v\r\n";
  const TConfigStore store = Store(before);
  try {
    store.WriteString(c.section, c.key, c.value);
    FAIL() << "the write was accepted";
  } catch (const EConfigWriteError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + File().string());
  }
  EXPECT_EQ(ReadFile(File()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedWriteTest,
    ::testing::Values(TRefusedCase{"lineBreakInValue", "r", "k", "a\r\n[general]\r\nx=1"},
                      TRefusedCase{"crInValue", "r", "k", "a\rb"}, TRefusedCase{"lfInSection", "r\nx", "k", "v"},
                      TRefusedCase{"bracketInSection", "a]b", "k", "v"}, TRefusedCase{"equalsInKey", "r", "a=b", "v"},
                      TRefusedCase{"emptyKey", "r", "", "v"}, TRefusedCase{"blankKey", "r", "  ", "v"},
                      TRefusedCase{"keyLikeAHeader", "r", "[x", "v"},
                      TRefusedCase{"nulInValue", "r", "k", std::string("a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigStoreTest, UnwritableFolderRaisesTheStoreError) {
  const auto file = dir_.Path() / "missing-folder" / "robotconfig.ini";
  const TConfigStore store(file);
  try {
    store.WriteString("s", "k", "v");
    FAIL() << "the write was accepted";
  } catch (const EConfigWriteError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + file.string());
  }
}

TEST_F(ConfigStoreTest, UnreadableFileIsNotOverwritten) {
  if (::geteuid() == 0) {
    // root reads files whatever their mode; a directory in the file's place gives the same failure.
    std::filesystem::create_directory(File());
  } else {
    WriteFile(File(), "[r]\r\nk=v\r\n");
    std::filesystem::permissions(File(), std::filesystem::perms::none);
  }
  const TConfigStore store(File());
  EXPECT_EQ(store.ReadString("r", "k", "d"), "d");
  EXPECT_THROW(store.WriteString("r", "j", "w"), EConfigWriteError);
  if (::geteuid() != 0) {
    std::filesystem::permissions(File(), std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadFile(File()), "[r]\r\nk=v\r\n");
  }
}

TEST_F(ConfigStoreTest, ReplacedFileKeepsItsPermissions) {
  WriteFile(File(), "[r]\r\n");
  std::filesystem::permissions(File(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  TConfigStore(File()).WriteString("r", "k", "v");
  EXPECT_EQ(std::filesystem::status(File()).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

struct TTakeCase {
  const char* name;
  const char* file;
  int defaultValue;
  int taken;
  const char* stored;  // the counter afterwards
};

class TakeNumberTest : public ConfigStoreTest, public ::testing::WithParamInterface<TTakeCase> {};

TEST_P(TakeNumberTest, GivesTheStoredNumberAndStoresTheNext) {
  const TTakeCase& c = GetParam();
  const TConfigStore store = Store(c.file);
  EXPECT_EQ(store.TakeNumber("general", "next", c.defaultValue), c.taken);
  EXPECT_EQ(store.ReadString("general", "next", ""), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Counters, TakeNumberTest,
                         ::testing::Values(TTakeCase{"Missing", "", 1, 1, "2"},
                                           TTakeCase{"MissingFromZero", "[general]\r\n", 0, 0, "1"},
                                           TTakeCase{"Stored", "[general]\r\nnext=41\r\n", 0, 41, "42"},
                                           TTakeCase{"Hexadecimal", "[general]\r\nnext=0x10\r\n", 0, 16, "17"},
                                           TTakeCase{"Unreadable", "[general]\r\nnext=x\r\n", 5, 5, "6"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigStoreTest, TakeNumberAtTheLargestIntegerFailsAndKeepsTheCounter) {
  const TConfigStore store = Store("[general]\r\nnext=2147483647\r\n");
  EXPECT_THROW(store.TakeNumber("general", "next", 0), std::overflow_error);
  EXPECT_EQ(store.ReadString("general", "next", ""), "2147483647");
}

TEST_F(ConfigStoreTest, LockedStepKeepsOtherWritersOutUntilItEnds) {
  const TConfigStore store(File());
  std::thread other;
  store.RunLocked([&] {
    // A second store on the same file, as the registers open their own, writes inside the step.
    TConfigStore(File()).WriteString("r", "k", "step");
    other = std::thread([this] { TConfigStore(File()).WriteString("r", "k", "other"); });
    // Time enough for the other thread to write, were it not kept waiting.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(store.ReadString("r", "k", ""), "step");
  });
  // The other write comes once the step has let go of the lock.
  other.join();
  EXPECT_EQ(store.ReadString("r", "k", ""), "other");
}

TEST_F(ConfigStoreTest, FailedLockedStepPassesItsErrorOnAndFreesTheLock) {
  const TConfigStore store(File());
  EXPECT_THROW(store.RunLocked([&] {
    store.WriteString("r", "k", "1");
    throw std::runtime_error("step failed");
  }),
               std::runtime_error);
  std::thread other([&] { TConfigStore(File()).WriteString("r", "k", "2"); });
  other.join();
  EXPECT_EQ(store.ReadString("r", "k", ""), "2");
}

}  // namespace
}  // namespace varnelo::config
