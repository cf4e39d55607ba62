#include "parsing/parse_url.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <utility>

#include "base/text.h"
#include "network/http_operations.h"
#include "url/mime_types.h"
#include "url/url.h"
#include "url/url_escaping.h"
#include "url/url_reference.h"

namespace varnelo::parsing {

namespace {

using retrieval::TUrlLevel;

struct TLinkAttribute {
  std::string_view element;
  std::string_view attribute;
};

// Pairs (element, attribute) whose value is a link; base href and codebase are handled apart.
constexpr TLinkAttribute kLinkAttributes[] = {
    {"script", "src"},     {"img", "src"},        {"img", "lowsrc"},       {"img", "href"},
    {"img", "longdesc"},   {"img", "usemap"},     {"body", "background"},  {"frame", "src"},
    {"frame", "longdesc"}, {"iframe", "src"},     {"iframe", "longdesc"},  {"fig", "src"},
    {"overlay", "src"},    {"embed", "src"},      {"bgsound", "src"},      {"input", "src"},
    {"input", "usemap"},   {"layer", "src"},      {"table", "background"}, {"th", "background"},
    {"td", "background"},  {"a", "href"},         {"area", "href"},        {"link", "href"},
    {"link", "rel"},       {"applet", "archive"}, {"applet", "object"},    {"applet", "code"},
    {"object", "classid"}, {"object", "data"},    {"object", "usemap"},    {"object", "archive"},
    {"blockquote", "cite"}, {"q", "cite"},        {"ins", "cite"},         {"del", "cite"},
    {"head", "profile"},
};

bool IsLinkAttribute(std::string_view element, std::string_view attribute) {
  return std::any_of(std::begin(kLinkAttributes), std::end(kLinkAttributes), [&](const TLinkAttribute& row) {
    return row.element == element && row.attribute == attribute;
  });
}

// An attribute item cut at its first "=": no value when there is no "=" or nothing after it.
struct TAttribute {
  std::string_view name;
  std::optional<std::string_view> value;
};

TAttribute CutAttribute(std::string_view item) {
  const size_t equals = item.find('=');
  if (equals == std::string_view::npos) return {item, std::nullopt};
  const std::string_view value = item.substr(equals + 1);
  return {item.substr(0, equals), value.empty() ? std::nullopt : std::optional<std::string_view>(value)};
}

// The page as lines joined by CR LF, each line ended by one; the text stops at the first NUL.
std::string JoinedLines(std::string_view page) {
  page = page.substr(0, page.find('\0'));
  std::string out;
  out.reserve(page.size() + page.size() / 16 + 2);
  size_t start = 0;
  while (start < page.size()) {
    size_t end = page.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = page.size();
    out.append(page.substr(start, end - start)).append("\r\n");
    if (end < page.size() && page[end] == '\r' && end + 1 < page.size() && page[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return out;
}

// The number that `text` is made of, or none.
std::optional<std::int64_t> WholeNumber(std::string_view text) {
  text = base::TrimSpaces(text);
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

constexpr std::int64_t kUnreadableSizeLimit = 999'999'999;

std::int64_t TimesUnit(std::string_view number, std::int64_t unit) {
  const std::optional<std::int64_t> value = WholeNumber(number);
  // A size whose number cannot be read is taken like a size that is no number at all.
  if (!value) return kUnreadableSizeLimit;
  if (*value > 0 && *value > std::numeric_limits<std::int64_t>::max() / unit) {
    return std::numeric_limits<std::int64_t>::max();
  }
  return *value * unit;
}

}  // namespace

TParseURL::TParseURL(std::mutex* lock, std::vector<std::string> acceptedTypes, std::string maxSize,
                     bool followLinks, std::string_view page, bool keepLinks, TUrlCache* cache,
                     TFoundList* found, const std::vector<std::string>& sites, network::TCancel cancel)
    : lock_(lock),
      acceptedTypes_(std::move(acceptedTypes)),
      maxSize_(std::move(maxSize)),
      followLinks_(followLinks),
      keepLinks_(keepLinks),
      ownCache_(cache ? nullptr : std::make_unique<TUrlCache>()),
      ownFound_(found ? nullptr : std::make_unique<TFoundList>()),
      cache_(cache ? cache : ownCache_.get()),
      found_(found ? found : ownFound_.get()),
      sites_(sites),
      cancel_(cancel) {
  Parser.Parse(JoinedLines(page));
  THTMLParser::FindTags(Parser.Root(), "*", Nodes);
}

std::unique_lock<std::mutex> TParseURL::Guard() const {
  return lock_ ? std::unique_lock<std::mutex>(*lock_) : std::unique_lock<std::mutex>();
}

void TParseURL::ExtractLinks(std::string_view pageUrl) {
  retrieval::url page;
  retrieval::ParseUrl(pageUrl, page);
  if (page.FileName.empty()) page.Path += "index.html";
  std::string documentBase = retrieval::ComposeUrl(page, TUrlLevel::ToPath);
  const std::string& pageHost = page.Host;

  for (TTagNode* node : Nodes) {
    std::string nodeBase = documentBase;
    const std::string element = base::AsciiLowered(node->Name);
    if (element == "base" || element == "applet" || element == "object") {
      for (std::string& item : node->Attributes) {
        const TAttribute attribute = CutAttribute(item);
        if (!attribute.value) continue;
        if (element == "base") {
          if (!base::EqualsIgnoringAsciiCase(attribute.name, "href")) continue;
          documentBase = WithTrailingSlash(*attribute.value);
          item.clear();
          Modified = true;
        } else if (base::EqualsIgnoringAsciiCase(attribute.name, "codebase")) {
          retrieval::url codebase;
          retrieval::ParseUrl(retrieval::ResolveReference(documentBase, *attribute.value), codebase);
          nodeBase = WithTrailingSlash(retrieval::ComposeUrl(codebase, TUrlLevel::Full));
        }
      }
    }
    for (std::string& item : node->Attributes) {
      const TAttribute attribute = CutAttribute(item);
      if (!attribute.value || !IsLinkAttribute(element, base::AsciiLowered(attribute.name))) continue;
      if (std::optional<std::string> rewritten = ProcessLink(nodeBase, pageHost, attribute.name, *attribute.value)) {
        item = std::move(*rewritten);
        Modified = true;
      }
    }
  }
}

std::optional<std::string> TParseURL::ProcessLink(const std::string& nodeBase, const std::string& pageHost,
                                                  std::string_view name, std::string_view value) {
  retrieval::url target;
  if (retrieval::ParseUrl(retrieval::ResolveReference(nodeBase, value), target) !=
      retrieval::TUrlParseResult::NoError) {
    return std::nullopt;
  }
  const std::string full = retrieval::ComposeUrl(target, TUrlLevel::Full);
  const std::string link = retrieval::ComposeUrl(target, TUrlLevel::NoFragment);

  std::string finalUrl;
  bool isNew = false;
  bool chainSuccess = false;
  {
    const auto guard = Guard();
    if (const network::TUrlDesc* desc = cache_->Find(link)) finalUrl = desc->FinalUrl;
    else isNew = true;
  }
  if (isNew) {
    // The HEAD requests go out without the lock, so other workers go on meanwhile.
    finalUrl = link;
    MimeType.clear();
    ContentLength = 0;
    std::vector<network::TUrlChainEntry> chain;
    chainSuccess = network::HttpResolveChain(chain, finalUrl, MimeType, ContentLength, cancel_);
    const auto guard = Guard();
    cache_->Append(std::move(chain));
  }

  const std::string finalNoFragment = finalUrl;
  if (!target.Fragment.empty()) finalUrl += "#" + target.Fragment;
  retrieval::ResetUrl(target);
  retrieval::ParseUrl(finalUrl, target);

  const bool accepted = isNew && AcceptLink(target.Host, link, chainSuccess, MimeType, finalNoFragment);
  if (keepLinks_ || !accepted) return std::nullopt;

  if (target.Host == pageHost) {
    // The stored copy is named after the path alone, so the link leads to that name and carries the
    // query and fragment once: a browser opening a stored file ignores the query and goes to the
    // fragment, and in an archive the link still resolves to the part's full URL.
    const std::string relative =
        retrieval::EscapeForLink(retrieval::RelativePath(nodeBase, retrieval::ComposeUrl(target, TUrlLevel::ToPath))) +
        retrieval::UrlSuffix(target);
    const std::string compare = value.starts_with('#') ? target.FileName + std::string(value) : std::string(value);
    if (retrieval::DropDotSlash(compare) == relative) return std::nullopt;
    return std::string(name) + "=" + relative;
  }
  if (full != finalUrl) return std::string(name) + "=" + finalUrl;
  return std::nullopt;
}

bool TParseURL::AcceptLink(std::string_view host, const std::string& link, bool chainSuccess,
                           std::string_view mimeType, std::string_view finalUrl) {
  if (!chainSuccess) return false;
  if (!InSite(host, finalUrl, sites_)) return false;
  if (!LinkAccepted(acceptedTypes_, mimeType, SizeLimitBytes(maxSize_), ContentLength)) return false;
  const auto guard = Guard();
  found_->Add(link);
  return true;
}

bool InSite(std::string_view host, std::string_view finalUrl, const std::vector<std::string>& sites) {
  for (const std::string& site : sites) {
    retrieval::url start;
    retrieval::ParseUrl(site, start);
    if (start.Host == host && !retrieval::RelativePath(site, finalUrl).starts_with("..")) return true;
  }
  return false;
}

bool LinkAccepted(const std::vector<std::string>& acceptedTypes, std::string_view mimeType, std::int64_t limit,
                  std::int64_t contentLength) {
  return (retrieval::IsHtmlType(mimeType) || TypeAccepted(acceptedTypes, mimeType)) && limit >= contentLength;
}

namespace {

// The major type and the minor type (up to a further "/", parameters included).
std::pair<std::string_view, std::string_view> CutType(std::string_view type) {
  const size_t slash = type.find('/');
  if (slash == std::string_view::npos) return {type, {}};
  const std::string_view rest = type.substr(slash + 1);
  return {type.substr(0, slash), rest.substr(0, rest.find('/'))};
}

}  // namespace

bool TypeAccepted(const std::vector<std::string>& acceptedTypes, std::string_view mimeType) {
  if (std::any_of(acceptedTypes.begin(), acceptedTypes.end(),
                  [](const std::string& entry) { return entry == "*/*"; })) {
    return true;
  }
  // Structured bindings cannot be captured by clang 14's lambdas: the type is held whole.
  const auto type = CutType(mimeType.empty() ? std::string_view("text/html") : mimeType);
  return std::any_of(acceptedTypes.begin(), acceptedTypes.end(), [&](const std::string& entry) {
    const auto& [major, minor] = type;
    const auto [entryMajor, entryMinor] = CutType(entry);
    return base::EqualsIgnoringAsciiCase(entryMajor, major) && (entryMinor == minor || entryMinor == "*");
  });
}

std::int64_t SizeLimitBytes(std::string_view text) {
  const std::string size = base::AsciiLowered(base::TrimSpaces(text));
  if (const size_t m = size.rfind('m'); m != std::string::npos) return TimesUnit(std::string_view(size).substr(0, m), 1'000'000);
  if (const size_t o = size.rfind('o'); o != std::string::npos) return TimesUnit(std::string_view(size).substr(0, o), 1);
  if (const size_t k = size.rfind('k'); k != std::string::npos) return TimesUnit(std::string_view(size).substr(0, k), 1'000);
  return WholeNumber(size).value_or(kUnreadableSizeLimit);
}

std::string WithTrailingSlash(std::string_view text) {
  std::string out(base::TrimSpacesRight(text));
  if (!out.ends_with('/')) out += '/';
  return out;
}

}  // namespace varnelo::parsing
