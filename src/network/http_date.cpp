#include "network/http_date.h"

#include <array>
#include <cstdio>
#include <vector>

#include "base/text.h"

namespace varnelo::network {
namespace {

constexpr std::array<std::string_view, 12> kMonths{"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::array<std::string_view, 7> kDays{"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
constexpr std::array<std::string_view, 7> kFullDays{"sunday",   "monday", "tuesday", "wednesday",
                                                    "thursday", "friday", "saturday"};
constexpr std::array<std::string_view, 12> kMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 7> kDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool ReadNumber(std::string_view text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// "hh:mm" or "hh:mm:ss".
bool ReadTime(std::string_view text, int& hour, int& minute, int& second) {
  const size_t first = text.find(':');
  const size_t second_ = text.find(':', first + 1);
  second = 0;
  if (!ReadNumber(text.substr(0, first), hour)) return false;
  if (second_ == std::string_view::npos) return ReadNumber(text.substr(first + 1), minute);
  return ReadNumber(text.substr(first + 1, second_ - first - 1), minute) && ReadNumber(text.substr(second_ + 1), second);
}

// Offset east of GMT in seconds for a zone word; false when it is not one.
bool ReadZoneWord(const std::string& word, long& offset) {
  struct TZone {
    std::string_view name;
    int hours;
  };
  static constexpr TZone kZones[] = {{"gmt", 0},  {"utc", 0},  {"ut", 0},   {"z", 0},   {"est", -5},
                                     {"edt", -4}, {"cst", -6}, {"cdt", -5}, {"mst", -7}, {"mdt", -6},
                                     {"pst", -8}, {"pdt", -7}};
  for (const TZone& zone : kZones) {
    if (word == zone.name) {
      offset = zone.hours * 3600L;
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<std::time_t> ParseHttpDate(std::string_view text) {
  // Tokens: words, numbers, times, and signed zone offsets; separators are blanks, "," and "-" (the
  // RFC 850 date "06-Nov-94"), except a sign that starts a 4-digit zone.
  std::vector<std::string_view> tokens;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == ',' || (c == '-' && !(i + 1 < text.size() && IsDigit(text[i + 1]) && !tokens.empty() &&
                                                            tokens.back().find(':') != std::string_view::npos))) {
      ++i;
      continue;
    }
    size_t end = i + 1;
    if (c == '+' || c == '-') {
      while (end < text.size() && IsDigit(text[end])) ++end;
    } else if (IsLetter(c)) {
      while (end < text.size() && IsLetter(text[end])) ++end;
    } else if (IsDigit(c)) {
      while (end < text.size() && (IsDigit(text[end]) || text[end] == ':')) ++end;
    } else {
      return std::nullopt;
    }
    tokens.push_back(text.substr(i, end - i));
    i = end;
  }

  int month = -1, day = -1, year = -1, hour = -1, minute = 0, second = 0;
  long offset = 0;
  bool zoneSeen = false;
  for (std::string_view token : tokens) {
    if (IsLetter(token.front())) {
      const std::string word = base::AsciiLowered(token);
      bool known = false;
      for (size_t m = 0; m < kMonths.size(); ++m) {
        if (word == kMonths[m] && month < 0) {
          month = int(m);
          known = true;
        }
      }
      for (size_t d = 0; d < kDays.size() && !known; ++d) known = word == kDays[d] || word == kFullDays[d];
      if (!known && !zoneSeen && ReadZoneWord(word, offset)) known = zoneSeen = true;
      if (!known) return std::nullopt;
    } else if (token.front() == '+' || token.front() == '-') {
      int value;
      if (zoneSeen || token.size() != 5 || !ReadNumber(token.substr(1), value)) return std::nullopt;
      offset = (value / 100 * 3600L + value % 100 * 60L) * (token.front() == '-' ? -1 : 1);
      zoneSeen = true;
    } else if (token.find(':') != std::string_view::npos) {
      if (hour >= 0 || !ReadTime(token, hour, minute, second)) return std::nullopt;
    } else {
      int value;
      if (!ReadNumber(token, value)) return std::nullopt;
      if (day < 0 && token.size() <= 2) {
        day = value;
      } else if (year < 0) {
        year = value;
        if (token.size() <= 2) year += year < 70 ? 2000 : 1900;
      } else {
        return std::nullopt;
      }
    }
  }
  if (month < 0 || day < 1 || day > 31 || year < 1601 || year > 9999 || hour < 0 || hour > 23 || minute > 59 ||
      second > 60) {
    return std::nullopt;
  }
  std::tm broken{};
  broken.tm_year = year - 1900;
  broken.tm_mon = month;
  broken.tm_mday = day;
  broken.tm_hour = hour;
  broken.tm_min = minute;
  broken.tm_sec = second;
  const std::time_t instant = timegm(&broken);
  if (broken.tm_mday != day) return std::nullopt;  // 31 Feb and the like
  return instant - offset;
}

std::string FormatHttpDate(std::time_t instant) {
  std::tm broken{};
  gmtime_r(&instant, &broken);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %.2d %s %04d %.2d:%.2d:%.2d GMT", kDayNames[broken.tm_wday].data(),
                broken.tm_mday, kMonthNames[broken.tm_mon].data(), broken.tm_year + 1900, broken.tm_hour,
                broken.tm_min, broken.tm_sec);
  return text;
}

}  // namespace varnelo::network
