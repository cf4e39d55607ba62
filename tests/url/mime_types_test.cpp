#include "url/mime_types.h"

#include <gtest/gtest.h>

namespace varnelo::retrieval {
namespace {

TEST(MimeTypesTest, TableHoldsItsRowsInSearchOrder) {
  const auto table = MimeExtensionTable();
  ASSERT_EQ(table.size(), 145u);
  EXPECT_EQ(table.front().type, "application/andrew-inset");
  EXPECT_EQ(table.front().extension, "ez");
  EXPECT_EQ(table[7].type, "application/octet-stream");
  EXPECT_EQ(table[7].extension, "dms");
  EXPECT_EQ(table.back().type, "x-conference/x-cooltalk");
  EXPECT_EQ(table.back().extension, "ice");
}

struct TExtensionCase {
  const char* type;
  const char* defaultExtension;
  const char* extension;
};

class ExtensionForTypeTest : public ::testing::TestWithParam<TExtensionCase> {};

TEST_P(ExtensionForTypeTest, TakesTheFirstRowOfAnExactType) {
  EXPECT_EQ(ExtensionForType(GetParam().type, GetParam().defaultExtension), GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtensionForTypeTest,
    ::testing::Values(TExtensionCase{"application/postscript", ".txt", ".ps"},
                      TExtensionCase{"text/plain; charset=utf-8", ".txt", ".txt"},
                      TExtensionCase{"image/jpeg", ".txt", ".jpeg"}, TExtensionCase{"image/ief", ".txt", ".jef"},
                      TExtensionCase{"application/octet-stream", "", ".bin"},
                      TExtensionCase{"application/x-koan", "", ".skp"}, TExtensionCase{"text/html", "", ".html"},
                      TExtensionCase{"x-conference/x-cooltalk", "", ".ice"},
                      TExtensionCase{"IMAGE/JPEG", ".txt", ".txt"}, TExtensionCase{" image/png", ".txt", ".txt"},
                      TExtensionCase{"", ".dat", ".dat"}, TExtensionCase{"jpeg", "", ""}));

struct TFileTypeCase {
  const char* fileName;
  const char* type;
};

class TypeForFileNameTest : public ::testing::TestWithParam<TFileTypeCase> {};

TEST_P(TypeForFileNameTest, TakesTheFirstRowOfTheExtension) {
  EXPECT_EQ(TypeForFileName(GetParam().fileName), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypeForFileNameTest,
    ::testing::Values(TFileTypeCase{"logo.png", "image/png"}, TFileTypeCase{"a.b.CSS", "text/css"},
                      TFileTypeCase{"index.html", "text/html"}, TFileTypeCase{"tool.bin", "application/octet-stream"},
                      TFileTypeCase{"archive.dms", "application/octet-stream"}, TFileTypeCase{"README", ""},
                      TFileTypeCase{"trailing.", ""}, TFileTypeCase{"dir.d/file", ""},
                      TFileTypeCase{"x.unknownext", ""}));

struct TTypeCase {
  const char* contentType;
  bool html;
  bool text;
};

class ContentTypeTest : public ::testing::TestWithParam<TTypeCase> {};

TEST_P(ContentTypeTest, TellsHtmlAndText) {
  EXPECT_EQ(IsHtmlType(GetParam().contentType), GetParam().html) << GetParam().contentType;
  EXPECT_EQ(IsTextType(GetParam().contentType), GetParam().text) << GetParam().contentType;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ContentTypeTest,
    ::testing::Values(TTypeCase{" Text/HTML ; charset=x", true, true}, TTypeCase{"text/html", true, true},
                      TTypeCase{"\ttext/html;", true, true}, TTypeCase{"application/xhtml+xml", true, true},
                      TTypeCase{"APPLICATION/XHTML+XML; charset=utf-8", true, false},
                      TTypeCase{"text/plain", false, true}, TTypeCase{"text/htm", false, true},
                      TTypeCase{"text/html5", false, true}, TTypeCase{"text/ html", false, true},
                      TTypeCase{"", false, true}, TTypeCase{"   ", false, false},
                      TTypeCase{"application/pdf", false, false}, TTypeCase{"image/svg+xml", false, false},
                      TTypeCase{"application/x-TEXinfo", false, false}, TTypeCase{"application/context", false, true},
                      TTypeCase{"TEXT/CSS", false, true}));

}  // namespace
}  // namespace varnelo::retrieval
