#include "retrieval/store_paths.h"

#include <algorithm>

#include "url/url_escaping.h"

namespace varnelo::retrieval {
namespace {

// "." and ".." would name the folder itself or its parent, and the system would cut a name at a NUL
// byte; escaped, they are ordinary names.
std::string EscapeSegment(std::string_view segment, bool escapeSlash) {
  if (segment == ".") return "%2E";
  if (segment == "..") return "%2E%2E";
  std::string out;
  out.reserve(segment.size());
  for (char c : segment) {
    if (c == '\0') {
      out += "%00";
    } else if (c == '/' && escapeSlash) {
      out += "%2F";
    } else {
      out += c;
    }
  }
  return out;
}

// One file-system name from a URL part, where a "/" can only have come from an escape.
std::string EscapeSingleName(std::string_view name) { return EscapeSegment(name, true); }

// The escaped directory part with each of its "/"-separated segments made safe.
std::string EscapeDirectory(std::string_view dir) {
  const std::string escaped = EscapeForFileName(dir);
  std::string out;
  out.reserve(escaped.size() + 8);
  size_t start = 0;
  for (;;) {
    const size_t slash = escaped.find('/', start);
    out += EscapeSegment(std::string_view(escaped).substr(start, slash - start), false);
    if (slash == std::string::npos) break;
    out += '/';
    start = slash + 1;
  }
  return out;
}

bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

}  // namespace

std::string DirectoryUnder(const std::filesystem::path& root, std::string_view host, std::string_view dir) {
  std::string out = root.string();
  out.append("/").append(EscapeSingleName(host)).append("/");
  if (!dir.empty()) out.append(EscapeDirectory(dir)).append("/");
  return out;
}

std::string SingleFileName(std::string_view name) { return EscapeSingleName(name); }

std::string StoreDirectory(const std::filesystem::path& home, std::string_view site, std::string_view host,
                           std::string_view dir) {
  // The site name is joined as text: path's "/" would let an absolute name replace the store.
  return DirectoryUnder((home / kPageStoreFolder).string() + "/" + std::string(site), host, dir);
}

std::string StorePath(const std::filesystem::path& home, std::string_view site, std::string_view host,
                      std::string_view dir, std::string_view fileName) {
  std::string out = StoreDirectory(home, site, host, dir);
  if (IsBlank(fileName)) {
    out += "index.html";
  } else {
    out += EscapeSingleName(EscapeForFileName(fileName));
  }
  return out;
}

}  // namespace varnelo::retrieval
