#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "network/http_client.h"
#include "network/network_fixture.h"
#include "retrieval/warc_exchange.h"
#include "retrieval/warc_file.h"
#include "retrieval/warc_record.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

using test::TScriptedAnswer;

// Each gzip member of `compressed` on its own, decompressed; a member left unfinished fails the test.
std::vector<std::string> GzipMembers(const std::string& compressed) {
  std::vector<std::string> members;
  size_t at = 0;
  while (at < compressed.size()) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data() + at));
    stream.avail_in = uInt(compressed.size() - at);
    std::string member;
    int result = Z_OK;
    while (result == Z_OK) {
      char out[4096];
      stream.next_out = reinterpret_cast<Bytef*>(out);
      stream.avail_out = sizeof out;
      result = inflate(&stream, Z_NO_FLUSH);
      member.append(out, sizeof out - stream.avail_out);
    }
    EXPECT_EQ(result, Z_STREAM_END) << "member at " << at;
    at = compressed.size() - stream.avail_in;
    inflateEnd(&stream);
    if (result != Z_STREAM_END) break;
    members.push_back(std::move(member));
  }
  return members;
}

// One record read back: its fields by name and its block, checked against its Content-Length.
struct TReadRecord {
  std::string versionLine;
  std::multimap<std::string, std::string> fields;
  std::string block;

  std::string Field(const std::string& name) const {
    const auto found = fields.find(name);
    return found == fields.end() ? std::string() : found->second;
  }
};

TReadRecord ReadRecord(const std::string& member) {
  TReadRecord record;
  const size_t headEnd = member.find("\r\n\r\n");
  EXPECT_NE(headEnd, std::string::npos);
  std::string_view head = std::string_view(member).substr(0, headEnd + 2);
  record.versionLine = std::string(head.substr(0, head.find("\r\n")));
  head.remove_prefix(record.versionLine.size() + 2);
  while (!head.empty()) {
    const std::string_view line = head.substr(0, head.find("\r\n"));
    const size_t colon = line.find(": ");
    record.fields.emplace(std::string(line.substr(0, colon)), std::string(line.substr(colon + 2)));
    head.remove_prefix(line.size() + 2);
  }
  record.block = member.substr(headEnd + 4);
  EXPECT_TRUE(record.block.ends_with("\r\n\r\n"));
  record.block.resize(record.block.size() - 4);
  EXPECT_EQ(record.Field("Content-Length"), std::to_string(record.block.size()));
  return record;
}

std::vector<TReadRecord> ReadWarc(const std::filesystem::path& file) {
  std::vector<TReadRecord> records;
  for (const std::string& member : GzipMembers(test::ReadFile(file))) records.push_back(ReadRecord(member));
  return records;
}

TEST(WarcRecordTest, Base32IsThatOfRfc4648) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""},           {"f", "MY======"},        {"fo", "MZXQ===="},
      {"foo", "MZXW6==="},  {"foob", "MZXW6YQ="},     {"fooba", "MZXW6YTB"},
      {"foobar", "MZXW6YTBOI======"}, {std::string(1, '\xff'), "74======"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(Base32(bytes), text) << bytes;
}

TEST(WarcRecordTest, DigestsAreSha1InBase32WhetherFedWholeOrInStretches) {
  EXPECT_EQ(WarcDigestOf(""), "sha1:3I42H3S6NNFQ2MSVX7XZKYAYSCX5QBYJ");
  EXPECT_EQ(WarcDigestOf("abc"), "sha1:VGMT4NSHA2AWVOR6EVYXQUGCNSONBWE5");
  TWarcDigest digest;
  digest.Add("a");
  EXPECT_EQ(digest.Text(), WarcDigestOf("a"));  // reading it leaves it going on
  digest.Add("bc");
  EXPECT_EQ(digest.Text(), "sha1:VGMT4NSHA2AWVOR6EVYXQUGCNSONBWE5");
}

TEST(WarcRecordTest, DatesAreUtcToTheSecondAndIdsRandomVersion4Uuids) {
  EXPECT_EQ(WarcDate(0), "1970-01-01T00:00:00Z");
  EXPECT_EQ(WarcDate(1796949239), "2026-12-11T00:33:59Z");
  const std::regex uuid("<urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}>");
  const std::string first = NewWarcRecordId();
  const std::string second = NewWarcRecordId();
  EXPECT_TRUE(std::regex_match(first, uuid)) << first;
  EXPECT_TRUE(std::regex_match(second, uuid)) << second;
  EXPECT_NE(first, second);
}

TEST(WarcRecordTest, HeaderBlockHasTheVersionTypeFieldsInOrderAndLength) {
  EXPECT_EQ(WarcHeaderBlock("response", {{"WARC-Target-URI", "http://h/a\r\nX-Evil: 1"}, {"WARC-Date", "d"}}, 12),
            "WARC/1.1\r\nWARC-Type: response\r\nWARC-Target-URI: http://h/a  X-Evil: 1\r\nWARC-Date: d\r\n"
            "Content-Length: 12\r\n\r\n");
}

TEST(WarcFileTest, NumberedNamesGoBeforeTheWarcEnding) {
  const std::vector<std::tuple<std::string, int, std::string>> cases = {
      {"/a/site.warc.gz", 0, "/a/site.warc.gz"}, {"/a/site.warc.gz", 2, "/a/site-2.warc.gz"},
      {"/a/site.warc", 1, "/a/site-1.warc"},     {"/a/site", 3, "/a/site-3"},
      {"/a/.warc.gz", 1, "/a/.warc.gz-1"}};
  for (const auto& [path, number, expected] : cases) EXPECT_EQ(WarcPathNumbered(path, number).string(), expected);
}

// A spool file holding `bytes`.
platform::TUniqueFd Spool(const std::filesystem::path& folder, std::string_view bytes) {
  std::string name = (folder / "spool-XXXXXX").string();
  platform::TUniqueFd fd(::mkstemp(name.data()));
  ::unlink(name.c_str());
  EXPECT_EQ(::write(fd.Get(), bytes.data(), bytes.size()), ssize_t(bytes.size()));
  return fd;
}

TEST(WarcFileTest, StartsWithWarcinfoAndAppendsOneMemberPerRecordAnEarlierFileIsLeftAlone) {
  test::TTempDir folder;
  const std::filesystem::path path = folder.Path() / "site.warc.gz";
  test::WriteFile(path, "an earlier run");
  auto file = TWarcFile::Create(path, "my robot");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Path(), folder.Path() / "site-1.warc.gz");
  EXPECT_EQ(test::ReadFile(path), "an earlier run");

  const platform::TUniqueFd spool = Spool(folder.Path(), "spooled body");
  TWarcRecord held{"metadata", {{"WARC-Record-ID", "<urn:uuid:1>"}}, "held only"};
  TWarcRecord both{"resource", {{"WARC-Record-ID", "<urn:uuid:2>"}}, "held+", spool.Get(), 12};
  ASSERT_TRUE(file->Append({held, both}));

  const std::vector<TReadRecord> records = ReadWarc(file->Path());
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].versionLine, "WARC/1.1");
  EXPECT_EQ(records[0].Field("WARC-Type"), "warcinfo");
  EXPECT_EQ(records[0].Field("WARC-Record-ID"), file->InfoId());
  EXPECT_EQ(records[0].Field("WARC-Filename"), "site-1.warc.gz");
  EXPECT_EQ(records[0].Field("Content-Type"), "application/warc-fields");
  EXPECT_EQ(records[0].Field("WARC-Block-Digest"), WarcDigestOf(records[0].block));
  EXPECT_THAT(records[0].block, ::testing::HasSubstr("software: Varnelo 1.61\r\n"));
  EXPECT_THAT(records[0].block, ::testing::HasSubstr("robot: my robot\r\n"));
  EXPECT_EQ(records[1].Field("WARC-Type"), "metadata");
  EXPECT_EQ(records[1].block, "held only");
  EXPECT_EQ(records[2].Field("WARC-Type"), "resource");
  EXPECT_EQ(records[2].block, "held+spooled body");
}

TEST(WarcFileTest, ARecordThatCannotBeWrittenWholeLeavesTheFileAsItWas) {
  test::TTempDir folder;
  auto file = TWarcFile::Create(folder.Path() / "a.warc.gz", "r");
  ASSERT_TRUE(file);
  const std::string before = test::ReadFile(file->Path());
  const platform::TUniqueFd spool = Spool(folder.Path(), "short");
  // The spool holds fewer bytes than the record announces.
  EXPECT_FALSE(file->Append({TWarcRecord{"resource", {}, "", spool.Get(), 1000}}));
  EXPECT_EQ(test::ReadFile(file->Path()), before);
  EXPECT_TRUE(file->Append({TWarcRecord{"resource", {}, "after"}}));
  EXPECT_EQ(ReadWarc(file->Path()).size(), 2u);
}

TEST(WarcFileTest, AFolderThatDoesNotExistGivesNoFile) {
  test::TTempDir folder;
  EXPECT_FALSE(TWarcFile::Create(folder.Path() / "missing" / "a.warc.gz", "r"));
}

class WarcExchangeTest : public network::NetworkTest {
protected:
  // GETs `path` with the exchange captured, and gives the records written after the warcinfo.
  std::vector<TReadRecord> Exchange(const std::string& path, std::int64_t maxBody = 1 << 20) {
    auto file = TWarcFile::Create(folder.Path() / "x.warc.gz", "r");
    EXPECT_TRUE(file);
    TWarcExchange exchange(folder.Path());
    network::THttpClient client;
    client.MaxHeldBody = maxBody;
    client.Capture = &exchange;
    const bool success = client.HttpMethod("GET", server.Url(path));
    EXPECT_TRUE(exchange.Record(*file, server.Url(path), client, success));
    std::vector<TReadRecord> records = ReadWarc(file->Path());
    EXPECT_FALSE(records.empty());
    if (!records.empty()) records.erase(records.begin());
    infoId = file->InfoId();
    return records;
  }

  test::TTempDir folder;
  test::TLoopbackServer server;
  std::string infoId;
};

TEST_F(WarcExchangeTest, RequestAndResponseHoldTheExactBytesAChunkedBodyAsItCame) {
  server.Answer("/c",
                TScriptedAnswer::Chunked("HTTP/1.1 200 OK", "Content-Type: text/plain\r\n", {"Hello, ", "world"}));
  const std::vector<TReadRecord> records = Exchange("/c");
  ASSERT_EQ(records.size(), 2u);
  const TReadRecord& request = records[0];
  const TReadRecord& response = records[1];
  EXPECT_EQ(request.Field("WARC-Type"), "request");
  EXPECT_EQ(request.block, server.Requests().at(0).head);
  EXPECT_EQ(request.Field("Content-Type"), "application/http;msgtype=request");
  EXPECT_EQ(request.Field("WARC-Block-Digest"), WarcDigestOf(request.block));
  EXPECT_EQ(request.Field("WARC-Payload-Digest"), WarcDigestOf(""));
  EXPECT_EQ(request.Field("WARC-Concurrent-To"), response.Field("WARC-Record-ID"));

  // The whole chunked body, the empty trailer section included.
  const std::string body = "7\r\nHello, \r\n5\r\nworld\r\n0\r\n\r\n";
  EXPECT_EQ(response.Field("WARC-Type"), "response");
  EXPECT_EQ(response.block,
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n" + body);
  EXPECT_EQ(response.Field("Content-Type"), "application/http;msgtype=response");
  EXPECT_EQ(response.Field("WARC-Block-Digest"), WarcDigestOf(response.block));
  EXPECT_EQ(response.Field("WARC-Payload-Digest"), WarcDigestOf(body));
  EXPECT_EQ(response.Field("WARC-Truncated"), "");
  for (const TReadRecord* record : {&request, &response}) {
    EXPECT_EQ(record->Field("WARC-Target-URI"), server.Url("/c"));
    EXPECT_EQ(record->Field("WARC-Warcinfo-ID"), infoId);
    EXPECT_TRUE(std::regex_match(record->Field("WARC-Date"), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
  }
}

TEST_F(WarcExchangeTest, A304IsARevisitOfItsHeadersOnly) {
  server.Answer("/n", TScriptedAnswer::Raw("HTTP/1.1 304 Not Modified\r\nETag: \"x\"\r\n\r\n"));
  const std::vector<TReadRecord> records = Exchange("/n");
  ASSERT_EQ(records.size(), 2u);
  const TReadRecord& revisit = records[1];
  EXPECT_EQ(revisit.Field("WARC-Type"), "revisit");
  EXPECT_EQ(revisit.Field("WARC-Profile"), "http://netpreserve.org/warc/1.1/revisit/server-not-modified");
  EXPECT_EQ(revisit.Field("WARC-Refers-To-Target-URI"), server.Url("/n"));
  EXPECT_EQ(revisit.block, "HTTP/1.1 304 Not Modified\r\nETag: \"x\"\r\n\r\n");
  EXPECT_EQ(revisit.Field("WARC-Block-Digest"), WarcDigestOf(revisit.block));
  EXPECT_EQ(revisit.fields.count("WARC-Payload-Digest"), 0u);
  EXPECT_EQ(records[0].Field("WARC-Concurrent-To"), revisit.Field("WARC-Record-ID"));
}

TEST_F(WarcExchangeTest, ABodyPastItsCapIsKeptAsFarAsItCameAndMarkedTruncated) {
  server.Answer("/big", TScriptedAnswer::Raw("HTTP/1.0 200 OK\r\n\r\n").SendRepeated(std::string(100, 'b'), 100));
  const std::vector<TReadRecord> records = Exchange("/big", 1000);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].Field("WARC-Truncated"), "length");
  EXPECT_TRUE(records[1].block.starts_with("HTTP/1.0 200 OK\r\n\r\n" + std::string(1000, 'b')));
  EXPECT_LE(records[1].block.size(), 19u + 1001u);
  EXPECT_EQ(records[1].Field("WARC-Block-Digest"), WarcDigestOf(records[1].block));
}

TEST_F(WarcExchangeTest, NoAnswerWritesNothing) {
  auto file = TWarcFile::Create(folder.Path() / "x.warc.gz", "r");
  ASSERT_TRUE(file);
  const std::string before = test::ReadFile(file->Path());
  TWarcExchange exchange(folder.Path());
  network::THttpClient client;
  client.Capture = &exchange;
  const bool success = client.HttpMethod("GET", "http://127.0.0.1:1/refused");
  EXPECT_FALSE(success);
  EXPECT_TRUE(exchange.Record(*file, "http://127.0.0.1:1/refused", client, success));
  EXPECT_EQ(test::ReadFile(file->Path()), before);
}

}  // namespace
}  // namespace varnelo::retrieval
