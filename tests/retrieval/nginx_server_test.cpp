// The nginx fixture that the backup tests crawl: it serves a folder, and answers a conditional fetch
// with the stored copy's time by 304.

#include "support/nginx_server.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "network/http_client.h"
#include "network/http_date.h"
#include "network/http_operations.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::test {
namespace {

class NginxServerTest : public ::testing::TestWithParam<const char*> {};

TEST_P(NginxServerTest, ServesAFolderUnderItsPrefixAndAnswersAConditionalFetch) {
  const std::string prefix = GetParam();
  const std::string reason = TNginxServer::Unavailable();
  if (!reason.empty()) GTEST_SKIP() << reason;

  // No proxy settings of the machine's own.
  TTempDir config;
  TScopedEnvironment environment;
  environment.Set("XDG_CONFIG_HOME", config.Path().string());

  TTempDir site;
  WriteFile(site.Path() / "a page.html", "<html>page</html>");
  std::filesystem::create_directory(site.Path() / "d");
  WriteFile(site.Path() / "d/b.bin", "b");
  const TNginxServer server(site.Path(), prefix);

  const network::THttpDocument page = network::HttpGetDocument(server.Url(prefix + "a%20page.html"));
  ASSERT_TRUE(page.Success);
  EXPECT_EQ(page.ResultCode, 200);
  EXPECT_EQ(page.Body, "<html>page</html>");
  EXPECT_EQ(page.MimeType, "text/html");

  const network::THttpDocument file = network::HttpGetDocument(server.Url(prefix + "d/b.bin"));
  EXPECT_EQ(file.Body, "b");
  EXPECT_EQ(file.MimeType, "application/octet-stream");
  EXPECT_EQ(network::HttpGetDocument(server.Url("/elsewhere/a%20page.html")).ResultCode, 404);

  struct stat info {};
  ASSERT_EQ(::stat((site.Path() / "a page.html").c_str(), &info), 0);
  network::THttpClient client;
  client.IfModifiedSince = network::FormatHttpDate(info.st_mtim.tv_sec);
  ASSERT_TRUE(client.HttpMethod("GET", server.Url(prefix + "a%20page.html")));
  EXPECT_EQ(client.ResultCode, 304);
  EXPECT_EQ(client.Document, "");
}

INSTANTIATE_TEST_SUITE_P(Prefixes, NginxServerTest, ::testing::Values("/", "/site/"));

}  // namespace
}  // namespace varnelo::test
