#include "url/url_reference.h"

#include <algorithm>

namespace varnelo::retrieval {
namespace {

bool IsSchemeChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-';
}

// The text of `base` before its first occurrence of any of `stops`, or the whole of it.
std::string_view UpToFirstOf(std::string_view base, std::string_view stops) {
  return base.substr(0, base.find_first_of(stops));
}

std::string Join(std::string_view head, std::string_view tail) {
  std::string out;
  out.reserve(head.size() + tail.size() + 1);
  out.append(head).append(tail);
  return out;
}

}  // namespace

bool IsAbsoluteReference(std::string_view reference) {
  for (size_t i = 0; i < reference.size(); ++i) {
    if (reference[i] == ':') return i > 0;
    if (!IsSchemeChar(reference[i])) return false;
  }
  return false;
}

std::string ResolveReference(std::string_view base, std::string_view reference) {
  if (IsAbsoluteReference(reference)) return std::string(reference);
  if (reference.empty()) return std::string(base);
  const std::string_view beforeSuffix = UpToFirstOf(base, ";?#");
  switch (reference.front()) {
    case ';':
      if (base.find(';') != std::string_view::npos) return Join(UpToFirstOf(base, ";"), reference);
      return Join(UpToFirstOf(base, "?#"), reference);
    case '?':
      if (base.find('?') != std::string_view::npos) return Join(UpToFirstOf(base, "?"), reference);
      return Join(UpToFirstOf(base, "#"), reference);
    case '#':
      return Join(UpToFirstOf(base, "#"), reference);
    default:
      break;
  }
  if (reference.starts_with("//")) {
    const size_t pair = base.find("//");
    if (pair == std::string_view::npos) return std::string(reference);
    return Join(base.substr(0, pair), reference);
  }
  if (reference.front() == '/') {
    const size_t pair = base.find("//");
    if (pair == std::string_view::npos) return std::string(reference);
    const size_t next = base.find('/', pair + 2);
    if (next == std::string_view::npos) return Join(base, reference);
    return Join(base.substr(0, next), reference);
  }
  const size_t last = base.rfind('/');
  if (last == std::string_view::npos || (last >= 2 && base[last - 1] == '/' && base[last - 2] == ':')) {
    return Join(beforeSuffix, "/").append(reference);
  }
  return Join(base.substr(0, last + 1), reference);
}

std::string RelativePath(std::string_view from, std::string_view to) {
  size_t i = 0;
  size_t common = 0;
  const size_t limit = std::min(from.size(), to.size());
  for (;;) {
    while (i < limit && from[i] == to[i] && from[i] != '/') ++i;
    if (i < limit && from[i] == '/' && to[i] == '/') {
      common = ++i;
      continue;
    }
    break;
  }
  const auto levels = std::count(from.begin() + static_cast<std::ptrdiff_t>(i), from.end(), '/');
  std::string out;
  out.reserve(static_cast<size_t>(levels) * 3 + to.size() - common);
  for (std::ptrdiff_t k = 0; k < levels; ++k) out += "../";
  out.append(to.substr(common));
  return out;
}

std::string DropDotSlash(std::string_view link) {
  // Deleting "./" and scanning again from the start meets the unchanged text before it in the same
  // state as the dot had found it, an even run, so the scan can resume right there.
  std::string out;
  out.reserve(link.size());
  bool oddRun = false;
  for (char c : link) {
    if (c == '/' && oddRun) {
      out.pop_back();
      oddRun = false;
      continue;
    }
    if (c == '.') {
      oddRun = !oddRun;
    } else if (c != '/') {
      oddRun = false;
    }
    out += c;
  }
  return out;
}

}  // namespace varnelo::retrieval
