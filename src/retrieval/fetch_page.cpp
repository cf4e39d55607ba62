#include "retrieval/fetch_page.h"

#include <optional>
#include <system_error>

#include "network/http_client.h"
#include "network/http_date.h"
#include "platform/atomic_file.h"
#include "retrieval/store_paths.h"
#include "retrieval/url.h"
#include "retrieval/url_escaping.h"

namespace varnelo::retrieval {
namespace {

// The stored copy that a conditional fetch compares with; none when the store holds no file there.
std::optional<std::filesystem::file_time_type> StoredCopyTime(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
  const auto time = std::filesystem::last_write_time(file, error);
  if (error) return std::nullopt;
  return time;
}

std::time_t ToTimeT(std::filesystem::file_time_type time) {
  const auto system = std::chrono::file_clock::to_sys(time);
  return std::chrono::system_clock::to_time_t(system);
}

}  // namespace

TFetchedPage FetchPage(const std::filesystem::path& home, std::string_view urlText, std::string_view site) {
  TFetchedPage page;
  url record;
  if (ParseUrl(urlText, record) != TUrlParseResult::NoError) return page;
  page.StorePath = StorePath(home, site, record.Host, record.Dir, record.FileName);

  // The copy is looked for under the decoded names, as the store has always done it.
  const std::filesystem::path storedCopy =
      StorePath(home, site, DecodeKeepingReserved(record.Host), DecodeKeepingReserved(record.Dir),
                DecodeKeepingReserved(record.FileName));
  network::THttpClient client;
  const auto copyTime = StoredCopyTime(storedCopy);
  if (copyTime) client.IfModifiedSince = network::FormatHttpDate(ToTimeT(*copyTime));

  page.Success = client.HttpMethod("GET", urlText);
  page.ResultCode = client.ResultCode;
  if (client.ResultCode >= 400) {
    page.Success = false;
    return page;
  }
  page.MimeType = client.MimeType;
  if (client.ResultCode == 304 && copyTime) {
    page.Body = platform::ReadWholeFile(storedCopy).value_or(std::string());
  } else if (client.ResultCode >= 200 && client.ResultCode <= 299) {
    page.Body = std::move(client.Document);
    page.LastModified = client.LastModified;
  }
  return page;
}

}  // namespace varnelo::retrieval
