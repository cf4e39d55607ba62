#include "pascal/sqlite_sql_scan.h"

#include <cctype>

#include "pascal/builtin_support.h"
#include "pascal/sqlite_support.h"

namespace varnelo::pascal::sqlite {

namespace {

// The index just past the comment that starts at `i`, or `i` when none starts there.
size_t SkipComment(std::string_view sql, size_t i) {
  if (sql.substr(i, 2) == "--") {
    size_t end = sql.find('\n', i);
    return end == std::string_view::npos ? sql.size() : end + 1;
  }
  if (sql.substr(i, 2) == "/*") {
    size_t end = sql.find("*/", i + 2);
    return end == std::string_view::npos ? sql.size() : end + 2;
  }
  return i;
}

// The index just past the literal or quoted identifier that starts at `i`, or `i`. A doubled quote
// inside reads as the end of one literal and the start of the next, which skips the same text.
size_t SkipQuoted(std::string_view sql, size_t i) {
  char open = sql[i];
  if (open != '\'' && open != '"' && open != '`' && open != '[') return i;
  size_t end = sql.find(open == '[' ? ']' : open, i + 1);
  return end == std::string_view::npos ? sql.size() : end + 1;
}

bool IsNameChar(char c) {
  auto byte = static_cast<unsigned char>(c);
  return std::isalnum(byte) || c == '_' || c == '$' || byte >= 0x80;
}

}  // namespace

std::vector<std::string> SqlParameterNames(std::string_view sql) {
  std::vector<std::string> names;
  std::vector<std::string> lowerNames;
  size_t i = 0;
  while (i < sql.size()) {
    size_t skipped = SkipQuoted(sql, SkipComment(sql, i));
    if (skipped != i) {
      i = skipped;
      continue;
    }
    if (sql[i] != ':' || i + 1 >= sql.size() || !IsNameChar(sql[i + 1])) {
      ++i;
      continue;
    }
    size_t end = i + 1;
    while (end < sql.size() && IsNameChar(sql[end])) ++end;
    std::string name(sql.substr(i + 1, end - i - 1));
    std::string lower = builtin::Lower(name);
    bool seen = false;
    for (const auto& known : lowerNames) seen = seen || known == lower;
    if (!seen) {
      names.push_back(name);
      lowerNames.push_back(lower);
    }
    i = end;
  }
  return names;
}

bool IsBlankSql(std::string_view sql) {
  size_t i = 0;
  while (i < sql.size()) {
    if (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == ';') {
      ++i;
      continue;
    }
    size_t skipped = SkipComment(sql, i);
    if (skipped == i) return false;
    i = skipped;
  }
  return true;
}

std::string FirstKeyword(std::string_view sql) {
  size_t i = 0;
  while (i < sql.size()) {
    if (std::isspace(static_cast<unsigned char>(sql[i]))) {
      ++i;
      continue;
    }
    size_t skipped = SkipComment(sql, i);
    if (skipped == i) break;
    i = skipped;
  }
  size_t end = i;
  while (end < sql.size() && std::isalpha(static_cast<unsigned char>(sql[end]))) ++end;
  return builtin::Lower(std::string(sql.substr(i, end - i)));
}

}  // namespace varnelo::pascal::sqlite
