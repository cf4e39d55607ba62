#include "retrieval/fetch_page.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <vector>
#include <system_error>

#include "network/http_client.h"
#include "network/http_date.h"
#include "platform/atomic_file.h"
#include "retrieval/page_store.h"
#include "retrieval/store_paths.h"
#include "retrieval/warc_exchange.h"
#include "url/mime_types.h"
#include "url/url.h"
#include "url/url_escaping.h"

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

bool NamesAType(const std::vector<std::string>& headers) {
  constexpr std::string_view kName = "content-type:";
  for (const std::string& line : headers) {
    if (line.size() < kName.size()) continue;
    bool same = true;
    for (size_t i = 0; i < kName.size() && same; ++i) {
      same = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i]))) == kName[i];
    }
    if (same) return true;
  }
  return false;
}

// Many servers answer 304 without Content-Type, and the client's default would then make an image
// or a style sheet of the stored copy into HTML.
std::string StoredCopyType(std::string_view knownType, const std::filesystem::path& storedCopy,
                           const std::string& clientDefault) {
  if (!knownType.empty()) return std::string(knownType);
  std::string type = TypeForFileName(storedCopy.filename().string());
  return type.empty() ? clientDefault : type;
}

}  // namespace

TFetchedPage FetchPage(const std::filesystem::path& home, std::string_view urlText, std::string_view site,
                       std::string_view knownType, std::int64_t maxBytes, bool storeOtherDocuments,
                       network::TCancel cancel, TWarcFile* warc) {
  TFetchedPage page;
  url record;
  if (ParseUrl(urlText, record) != TUrlParseResult::NoError) return page;
  page.StorePath = StorePath(home, site, record.Host, record.Dir, record.FileName);

  // The copy is looked for under the decoded names, as the store has always done it.
  const std::filesystem::path storedCopy =
      StorePath(home, site, DecodeKeepingReserved(record.Host), DecodeKeepingReserved(record.Dir),
                DecodeKeepingReserved(record.FileName));
  network::THttpClient client(cancel);
  maxBytes = std::max<std::int64_t>(maxBytes, 0);
  client.MaxHeldBody = std::min(client.MaxHeldBody, maxBytes);
  client.MaxStreamedBody = maxBytes;
  std::unique_ptr<TStoreFileWriter> writer;
  if (storeOtherDocuments) {
    client.BodySinkFor = [&](const network::THttpClient& answer) -> network::THttpClient::TBodySink {
      if (answer.ResultCode < 200 || answer.ResultCode > 299 || IsHtmlType(answer.MimeType)) return {};
      writer = OpenStoreFile(home, record, site);
      return [&writer](std::string_view bytes) { return writer->Write(bytes); };
    };
  }
  const auto copyTime = StoredCopyTime(storedCopy);
  if (copyTime) client.IfModifiedSince = network::FormatHttpDate(ToTimeT(*copyTime));

  std::optional<TWarcExchange> exchange;
  if (warc != nullptr) {
    exchange.emplace(warc->Path().parent_path());
    client.Capture = &*exchange;
  }
  page.Success = client.HttpMethod("GET", urlText);
  if (exchange) exchange->Record(*warc, urlText, client, page.Success);
  page.ResultCode = client.ResultCode;
  page.FaultLine = network::TransferFaultLine(client.Fault, urlText, client.FaultLimit);
  // A file that could not be written is listed in errorsaving.log, as any other store write.
  if (writer && (page.Success || client.Fault == network::TTransferFault::SinkFailed)) {
    page.Stored = CommitStoreFile(home, *writer, client.LastModified);
    if (page.Stored) page.BodyFile = writer->Path();
    page.Success = page.Success && page.Stored;
  }
  if (client.ResultCode >= 400) {
    page.Success = false;
    return page;
  }
  page.MimeType = client.MimeType;
  if (client.ResultCode == 304 && copyTime) {
    if (!NamesAType(client.Headers)) page.MimeType = StoredCopyType(knownType, storedCopy, client.MimeType);
    if (storeOtherDocuments && !IsHtmlType(page.MimeType)) {
      page.BodyFile = storedCopy;
    } else {
      page.Body = platform::ReadWholeFile(storedCopy).value_or(std::string());
    }
  } else if (client.ResultCode >= 200 && client.ResultCode <= 299) {
    page.Body = std::move(client.Document);
    page.LastModified = client.LastModified;
  }
  return page;
}

}  // namespace varnelo::retrieval
