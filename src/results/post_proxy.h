#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnelo::results {

// The page of the home through which the Mozilla browser posts a query: opened with
// "#<target>%00<body>", it submits the body to the target as a form.
inline constexpr std::string_view kPostProxyFileName = "postproxy.html";

// The address that posts `body` to `targetUrl` through the home's postproxy.html: its file URL, "#",
// the target, "%00" and the body, with every "\" made "/".
std::string PostProxyUrl(const std::filesystem::path& home, std::string_view targetUrl, std::string_view body);

struct TPostProxyRequest {
  std::string TargetUrl;
  // The body as the page's form sends it (application/x-www-form-urlencoded).
  std::string Body;
  bool operator==(const TPostProxyRequest&) const = default;
};

// What postproxy.html submits when it is opened at `url`; none when `url` is not a file URL of a
// postproxy.html with a target after its "#".
std::optional<TPostProxyRequest> PostProxyRequest(std::string_view url);

// `body` as the page sends it: every name=value pair ("&" between them) decoded like the page's
// decodeURIComponent after "+" is made a blank (a pair that does not decode stays as written), then
// encoded again as form data; pairs with an empty name are left out, as a form leaves them.
std::string ReencodeFormBody(std::string_view body);

}  // namespace varnelo::results
