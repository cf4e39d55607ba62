#include "support/url_properties.h"

#include <filesystem>

#include "retrieval/store_paths.h"
#include "url/url.h"
#include "url/url_escaping.h"
#include "url/url_reference.h"

namespace varnelo::test {
namespace {

using retrieval::TUrlParseResult;

bool SameParts(const retrieval::url& a, const retrieval::url& b) {
  return a.Scheme == b.Scheme && a.Host == b.Host && a.Port == b.Port && a.Path == b.Path && a.Params == b.Params &&
         a.Query == b.Query && a.Fragment == b.Fragment && a.Dir == b.Dir && a.FileName == b.FileName;
}

bool Inside(const std::filesystem::path& root, const std::string& path) {
  const std::filesystem::path normal = std::filesystem::path(path).lexically_normal();
  const std::filesystem::path relative = normal.lexically_relative(root);
  return !relative.empty() && *relative.begin() != ".." && *relative.begin() != "." &&
         path.find('\0') == std::string::npos;
}

}  // namespace

std::string CheckParsedUrl(std::string_view text) {
  retrieval::url first;
  if (retrieval::ParseUrl(text, first) != TUrlParseResult::NoError) return {};
  // The user and password are written back decoded, escaping only their reserved bytes.
  if (first.User.empty() && first.Password.empty() && retrieval::NormalizeEscapes(first.Full) != first.Full) {
    return "canonical text is not normalised: " + first.Full;
  }
  retrieval::url second;
  if (const auto code = retrieval::ParseUrl(first.Full, second); code != TUrlParseResult::NoError) {
    return "canonical text does not parse: " + first.Full;
  }
  // An FTP path takes in everything after a "?", a ";" included, and a "?" met after the params: such a
  // text reads back with its parts cut elsewhere.
  const bool reordered = first.Scheme == retrieval::TScheme::FTP &&
                         (!first.Params.empty() || first.Path.find(';') != std::string::npos);
  if (!reordered && !SameParts(first, second)) return "canonical text parses to other parts: " + first.Full;

  const std::filesystem::path home = "/home/u";
  const std::filesystem::path site = home / "website" / "s";
  const std::string file = retrieval::StorePath(home, "s", first.Host, first.Dir, first.FileName);
  if (!Inside(site, file)) return "store path outside the site: " + file;
  const std::string dir = retrieval::StoreDirectory(home, "s", first.Host, first.Dir);
  if (!Inside(site, dir)) return "store directory outside the site: " + dir;
  return {};
}

std::string CheckReference(std::string_view base, std::string_view reference) {
  const std::string resolved = retrieval::ResolveReference(base, reference);
  retrieval::url target;
  (void)retrieval::ParseUrl(resolved, target);
  (void)retrieval::DropDotSlash(reference);

  retrieval::url from, to;
  if (retrieval::ParseUrl(base, from) != TUrlParseResult::NoError) return {};
  if (retrieval::ParseUrl(retrieval::ResolveReference(from.Full, reference), to) != TUrlParseResult::NoError) return {};
  // The round trip holds for plain paths on one host: no user, query, params or fragment, no ":" that
  // would make a relative path look absolute, no "?" or ";" that an FTP path may hold, and a target
  // that is a file: the path to the folder of a page is empty, which resolves to the page.
  const bool plain = from.Host == to.Host && from.Port == to.Port && from.Scheme == to.Scheme && !from.Path.empty() &&
                     !to.Path.empty() && from.User.empty() && to.User.empty() && from.Password.empty() &&
                     to.Password.empty() && from.Params.empty() && to.Params.empty() && from.Query.empty() &&
                     to.Query.empty() && from.Fragment.empty() && to.Fragment.empty() &&
                     to.Path.find_first_of(":?;") == std::string::npos && from.Path.find_first_of("?;") == std::string::npos &&
                     from.Path.front() != '/' && to.Path.front() != '/' && to.Path.back() != '/';
  if (!plain) return {};
  // Composed texts, since a parsed text keeps a default port as it was written.
  const std::string page = retrieval::ComposeUrl(from, retrieval::TUrlLevel::Full);
  const std::string wanted = retrieval::ComposeUrl(to, retrieval::TUrlLevel::Full);
  const std::string relative = retrieval::RelativePath(page, wanted);
  retrieval::url back;
  if (retrieval::ParseUrl(retrieval::ResolveReference(page, relative), back) != TUrlParseResult::NoError ||
      retrieval::ComposeUrl(back, retrieval::TUrlLevel::Full) != wanted) {
    return "relative path " + relative + " from " + page + " does not lead back to " + wanted;
  }
  return {};
}

}  // namespace varnelo::test
