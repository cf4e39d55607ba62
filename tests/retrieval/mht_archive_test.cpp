#include "retrieval/mht_archive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "parsing/html_parser.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const std::vector<std::string> kHeader = {
    "thread-index: abcdefghij",
    "MIME-Version: 1.0",
    "Content-Type: multipart/related;",
    "        boundary=\"------=_frontiere0\";",
    "Content-Location: http://site.test/",
    "Content-Class: urn:content-classes:message",
    "Importance: normal",
    "Priority: normal",
    "X-MimeOLE: Produced by Quorvel Software",
    "",
    "This is a multi-part message in MIME format.",
    "",
};

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> pieces) {
  std::vector<std::string> all;
  for (const auto& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

TEST(MhtArchiveTest, WritesHeaderPartsAndClosingLine) {
  tstringlistimp archive;
  BeginArchive(archive, "http://site.test/");
  EXPECT_EQ(archive.PartCounter(), 1);
  AddHtmlPart(nullptr, archive, "<p>caf\xc3\xa9</p>\r\n<br>", "http://site.test/a.html", "text/html; charset=utf-8");
  AddBinaryPart(nullptr, archive, "abc", "http://site.test/i.gif", "image/gif");
  EXPECT_EQ(archive.PartCounter(), 3);
  EndArchive(archive);
  EXPECT_THAT(archive.Lines(), ElementsAreArray(Concat({kHeader,
                                                        {"--------=_frontiere0",
                                                         "Content-Type: text/html; charset=utf-8",
                                                         "Content-Transfer-Encoding: 7bit",
                                                         "Content-Disposition: inline",
                                                         "Content-Location: http://site.test/a.html",
                                                         "",
                                                         "",
                                                         "<p>caf\xc3\xa9</p>\r\n<br>",
                                                         "",
                                                         "--------=_frontiere0",
                                                         "Content-Type: image/gif",
                                                         "Content-Transfer-Encoding: base64",
                                                         "Content-Disposition: inline",
                                                         "Content-Location: http://site.test/i.gif",
                                                         "",
                                                         "",
                                                         "YWJj",
                                                         "",
                                                         "--------=_frontiere0--"}})));
}

TEST(MhtArchiveTest, FirstPartLandsRightAfterTheHeader) {
  parsing::THTMLParser parser;
  parser.Parse("<P>a<p>b</P><img src='x'>");
  tstringlistimp archive;
  BeginArchive(archive, "http://site.test/");
  AddBinaryPart(nullptr, archive, "", "http://site.test/1", "image/png");
  AddHtmlPart(nullptr, archive, "two", "http://site.test/2", "text/html");
  AddFirstPart(archive, "Text/Html", &parser.Root(), "http://site.test/", "bytes that are not used");
  EXPECT_EQ(archive.PartCounter(), 2);
  ASSERT_EQ(archive.Count(), 12u + 7 + 9 + 9);
  EXPECT_THAT(std::vector<std::string>(archive.Lines().begin() + 12, archive.Lines().begin() + 20),
              ElementsAre("--------=_frontiere0", "Content-Type: Text/Html", "Content-Transfer-Encoding: 7bit",
                          "Content-Disposition: inline", "Content-Location: http://site.test/", "",
                          "<P>a</P><p>b</p><img src=\"x\">", "--------=_frontiere0"));
  EXPECT_EQ(archive.Strings(19 + 4), "Content-Location: http://site.test/1");
  EXPECT_EQ(archive.Strings(19 + 7), "");  // the base64 of no bytes
  EXPECT_EQ(archive.Strings(28 + 7), "two");
}

TEST(MhtArchiveTest, FirstPartOfAnotherTypeIsTheBytesInBase64) {
  tstringlistimp archive;
  BeginArchive(archive, "http://site.test/");
  AddFirstPart(archive, "application/pdf", nullptr, "http://site.test/d.pdf", std::string("%PDF\0\xff", 6));
  EXPECT_THAT(std::vector<std::string>(archive.Lines().begin() + 12, archive.Lines().end()),
              ElementsAre("--------=_frontiere0", "Content-Type: application/pdf",
                          "Content-Transfer-Encoding: base64", "Content-Disposition: inline",
                          "Content-Location: http://site.test/d.pdf", "", "JVBERgD/"));
  // An archive that was never begun takes the part at its end instead of failing.
  tstringlistimp bare;
  bare.Add("only line");
  AddFirstPart(bare, "text/html", nullptr, "u", "");
  EXPECT_EQ(bare.Count(), 8u);
  EXPECT_EQ(bare.Strings(0), "only line");
  EXPECT_EQ(bare.Strings(7), "");
}

struct TLimitCase {
  const char* name;
  bool firstPart;
  std::function<void(tstringlistimp&)> addPart;
  int writtenCalls;  // calls that still write a part
};

class PartLimitTest : public ::testing::TestWithParam<TLimitCase> {};

TEST_P(PartLimitTest, DropsPartsPastTheLimit) {
  const TLimitCase& limit = GetParam();
  tstringlistimp archive;
  BeginArchive(archive, "http://site.test/");
  if (limit.firstPart) AddFirstPart(archive, "text/html", nullptr, "http://site.test/", "");
  const size_t start = archive.Count();
  for (int call = 1; call < limit.writtenCalls; ++call) limit.addPart(archive);
  size_t before = archive.Count();
  limit.addPart(archive);
  EXPECT_EQ(archive.Count(), before + 9) << "the last call that writes";
  EXPECT_EQ(archive.Count(), start + 9u * limit.writtenCalls);
  EXPECT_EQ(archive.PartCounter(), 1023);
  before = archive.Count();
  limit.addPart(archive);
  limit.addPart(archive);
  EXPECT_EQ(archive.Count(), before) << "calls past the limit write nothing";
  EndArchive(archive);
  EXPECT_EQ(archive.Lines().back(), "--------=_frontiere0--");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PartLimitTest,
    ::testing::Values(
        TLimitCase{"HtmlAfterFirstPart", true,
                   [](tstringlistimp& a) { AddHtmlPart(nullptr, a, "<p>", "http://site.test/p", "text/html"); }, 1021},
        TLimitCase{"BinaryAfterFirstPart", true,
                   [](tstringlistimp& a) { AddBinaryPart(nullptr, a, "xy", "http://site.test/b", "image/gif"); },
                   1021},
        TLimitCase{"HtmlWithoutFirstPart", false,
                   [](tstringlistimp& a) { AddHtmlPart(nullptr, a, "<p>", "http://site.test/p", "text/html"); }, 1022}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MhtArchiveTest, PartCounterNeverWrapsRound) {
  tstringlistimp archive;
  BeginArchive(archive, "http://site.test/");
  archive.SetPartCounter(INT32_MAX - 1);
  for (int i = 0; i < 3; ++i) AddHtmlPart(nullptr, archive, "x", "u", "text/html");
  EXPECT_EQ(archive.PartCounter(), INT32_MAX);
  EXPECT_EQ(archive.Count(), kHeader.size());
}

TEST(MhtArchiveTest, WorkersSharingTheArchiveNeverInterleaveParts) {
  constexpr int kWorkers = 4;
  constexpr int kCallsEach = 300;  // more than the archive takes in all
  tstringlistimp archive;
  std::mutex lock;
  BeginArchive(archive, "http://site.test/");
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      for (int i = 0; i < kCallsEach; ++i) {
        const std::string url = "http://site.test/" + std::to_string(w) + "/" + std::to_string(i);
        if (i % 2 == 0) {
          AddHtmlPart(&lock, archive, "page " + url, url, "text/html");
        } else {
          AddBinaryPart(&lock, archive, url, url, "application/octet-stream");
        }
      }
    });
  }
  for (std::thread& worker : workers) worker.join();

  ASSERT_EQ(archive.Count(), kHeader.size() + 9u * 1022);
  for (size_t part = kHeader.size(); part < archive.Count(); part += 9) {
    ASSERT_EQ(archive.Strings(part), "--------=_frontiere0");
    const std::string url = archive.Strings(part + 4).substr(std::string("Content-Location: ").size());
    const std::string& content = archive.Strings(part + 7);
    EXPECT_TRUE(content == "page " + url || content == EncodeBase64(url)) << content;
    EXPECT_EQ(archive.Strings(part + 8), "");
  }
}

struct TBase64Case {
  std::string bytes;
  const char* encoded;
};

class Base64Test : public ::testing::TestWithParam<TBase64Case> {};

TEST_P(Base64Test, EncodesOnOneLine) { EXPECT_EQ(EncodeBase64(GetParam().bytes), GetParam().encoded); }

INSTANTIATE_TEST_SUITE_P(Cases, Base64Test,
                         ::testing::Values(TBase64Case{"abc", "YWJj"}, TBase64Case{"", ""}, TBase64Case{"a", "YQ=="},
                                           TBase64Case{"ab", "YWI="}, TBase64Case{"\xfb\xff\xfe", "+//+"},
                                           TBase64Case{std::string("\0\0\0\0", 4), "AAAAAA=="}));

TEST(Base64Test, KeepsLongInputsOnOneLine) {
  std::string bytes(100000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  const std::string encoded = EncodeBase64(bytes);
  ASSERT_EQ(encoded.size(), (bytes.size() + 2) / 3 * 4);
  EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
  std::string decoded(encoded.size(), '\0');
  const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(decoded.data()),
                                     reinterpret_cast<const unsigned char*>(encoded.data()),
                                     static_cast<int>(encoded.size()));
  ASSERT_GE(length, 0);
  // EVP_DecodeBlock keeps the zero bytes that stand for the padding.
  decoded.resize(bytes.size());
  EXPECT_EQ(decoded, bytes);
}

TEST(StringListTest, InsertsWithinBoundsAndClearsOnlyTheLines) {
  tstringlistimp list;
  list.Add("b");
  list.Insert(0, "a");
  list.Insert(2, "c");
  EXPECT_THAT(list.Lines(), ElementsAre("a", "b", "c"));
  EXPECT_THROW(list.Insert(4, "x"), std::out_of_range);
  list.SetPartCounter(5);
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.PartCounter(), 5);
}

TEST(StringListTest, SavesEveryLineWithCrLfReplacingTheFile) {
  const test::TTempDir dir;
  const auto file = dir.Path() / "page.mht";
  test::WriteFile(file, "an older and much longer archive that must go away entirely");
  tstringlistimp archive;
  archive.Add("first");
  archive.Add("");
  archive.Add("<p>\r\nkept</p>");
  archive.SaveToFile(file);
  EXPECT_EQ(test::ReadFile(file), "first\r\n\r\n<p>\r\nkept</p>\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
            1);

  tstringlistimp empty;
  empty.SaveToFile(file);
  EXPECT_EQ(test::ReadFile(file), "");
  EXPECT_THROW(archive.SaveToFile(dir.Path() / "missing" / "page.mht"), std::system_error);
}

// A part taken from a file is written as the same part made of its bytes, whatever the file's size
// against the stretches it is read in; the file is read only when the archive is written.
TEST(MhtFilePartTest, WritesTheSameBytesAsAPartOfTheFilesBytes) {
  const test::TTempDir dir;
  constexpr size_t kStretch = size_t{3} << 14;
  for (const size_t size : {size_t{0}, size_t{1}, size_t{2}, kStretch - 1, kStretch, kStretch + 1, 2 * kStretch + 2}) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = char(i * 7 + i / 251);
    const auto file = dir.Path() / ("part" + std::to_string(size));
    tstringlistimp fromFile;
    BeginArchive(fromFile, "http://site.test/");
    AddFirstPart(fromFile, "application/pdf", "http://site.test/", file);
    AddBinaryFilePart(nullptr, fromFile, file, "http://site.test/b", "image/png");
    EndArchive(fromFile);
    test::WriteFile(file, bytes);

    tstringlistimp fromBytes;
    BeginArchive(fromBytes, "http://site.test/");
    AddFirstPart(fromBytes, "application/pdf", nullptr, "http://site.test/", bytes);
    AddBinaryPart(nullptr, fromBytes, bytes, "http://site.test/b", "image/png");
    EndArchive(fromBytes);

    EXPECT_EQ(fromFile.Text(), fromBytes.Text()) << size;
    EXPECT_EQ(fromFile.Count(), fromBytes.Count()) << size;
    const auto saved = dir.Path() / "a.mht";
    fromFile.SaveToFile(saved);
    EXPECT_EQ(test::ReadFile(saved), fromBytes.Text()) << size;
  }
}

TEST(MhtFilePartTest, LinesInsertedBeforeAFileKeepItInItsPlaceAndAGoneFileIsEmpty) {
  const test::TTempDir dir;
  test::WriteFile(dir.Path() / "x", "abc");
  tstringlistimp list;
  list.Add("one");
  list.AddBase64Of(dir.Path() / "x");
  list.AddBase64Of(dir.Path() / "gone");
  list.Insert(0, "zero");
  EXPECT_EQ(list.FileAt(0), nullptr);
  ASSERT_NE(list.FileAt(2), nullptr);
  EXPECT_EQ(*list.FileAt(2), dir.Path() / "x");
  EXPECT_EQ(list.Strings(2), "");
  EXPECT_EQ(list.Text(), "zero\r\none\r\nYWJj\r\n\r\n");
  list.Clear();
  list.Add("only");
  EXPECT_EQ(list.FileAt(0), nullptr);
  EXPECT_EQ(list.Text(), "only\r\n");
}

}  // namespace
}  // namespace varnelo::retrieval
