#include "pascal/date_time.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "pascal/builtin_support.h"

namespace varnelo::pascal {
namespace {

constexpr double kSecondsPerDay = 86400.0;
// 30 December 1899 is 25569 days before the Unix epoch.
constexpr double kUnixEpoch = 25569.0;

constexpr std::array<const char*, 12> kMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                                                     "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

struct TParts {
  int year, month, day, weekDay, hour, minute, second, millisecond;
};

// Splits a TDateTime with the civil calendar of its own (no time zone: it is local time already).
TParts Split(double dateTime) {
  double days = std::floor(dateTime);
  long long milliseconds = std::llround((dateTime - days) * kSecondsPerDay * 1000.0);
  if (milliseconds >= 86400000LL) {
    milliseconds -= 86400000LL;
    days += 1;
  }
  const auto sinceEpoch = std::chrono::sys_days{} + std::chrono::days(static_cast<long long>(days - kUnixEpoch));
  const std::chrono::year_month_day date{sinceEpoch};
  const std::chrono::weekday weekDay{sinceEpoch};
  return {int(date.year()),
          int(unsigned(date.month())),
          int(unsigned(date.day())),
          int(weekDay.c_encoding()),
          int(milliseconds / 3600000),
          int(milliseconds / 60000 % 60),
          int(milliseconds / 1000 % 60),
          int(milliseconds % 1000)};
}

std::string Padded(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

bool StartsWithNoCase(const std::string& text, size_t at, const char* word) {
  for (size_t i = 0; word[i] != '\0'; ++i) {
    if (at + i >= text.size() || std::tolower(static_cast<unsigned char>(text[at + i])) != word[i]) return false;
  }
  return true;
}

// How many times the letter at `at` repeats, case ignored.
size_t RunLength(const std::string& text, size_t at) {
  size_t length = 1;
  const int letter = std::tolower(static_cast<unsigned char>(text[at]));
  while (at + length < text.size() && std::tolower(static_cast<unsigned char>(text[at + length])) == letter) ++length;
  return length;
}

}  // namespace

double DateTimeNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const long long milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  const std::chrono::year_month_day date{std::chrono::year(local.tm_year + 1900),
                                         std::chrono::month(unsigned(local.tm_mon + 1)),
                                         std::chrono::day(unsigned(local.tm_mday))};
  const double days = std::chrono::sys_days(date).time_since_epoch().count() + kUnixEpoch;
  return days + (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + milliseconds / 1000.0) / kSecondsPerDay;
}

std::string FormatDateTimeText(const std::string& pattern, double dateTime) {
  // "c" stands for the date and, unless it is midnight, the time.
  std::string format;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if ((pattern[i] == 'c' || pattern[i] == 'C') && (i == 0 || !std::isalpha(static_cast<unsigned char>(pattern[i - 1])))) {
      format += dateTime == std::floor(dateTime) ? "d/m/yy" : "d/m/yy hh:nn:ss";
    } else {
      format += pattern[i];
    }
  }
  TParts parts = Split(dateTime);
  // With am/pm the hours count to twelve.
  std::string lowered(format);
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool twelveHours = lowered.find("am/pm") != std::string::npos;
  const int hour24 = parts.hour;
  if (twelveHours) parts.hour = parts.hour % 12 == 0 ? 12 : parts.hour % 12;
  std::string out;
  bool afterHour = false;
  for (size_t i = 0; i < format.size();) {
    const char c = format[i];
    const int letter = std::tolower(static_cast<unsigned char>(c));
    if (c == '"' || c == '\'') {
      const size_t end = format.find(c, i + 1);
      out += format.substr(i + 1, (end == std::string::npos ? format.size() : end) - i - 1);
      i = end == std::string::npos ? format.size() : end + 1;
      continue;
    }
    if (StartsWithNoCase(format, i, "am/pm")) {
      const bool lower = format[i] == 'a';
      out += hour24 < 12 ? (lower ? "am" : "AM") : (lower ? "pm" : "PM");
      i += 5;
      continue;
    }
    const size_t run = std::isalpha(static_cast<unsigned char>(c)) ? RunLength(format, i) : 1;
    switch (letter) {
      case 'y': out += run <= 2 ? Padded(parts.year % 100, 2) : Padded(parts.year, 4); break;
      case 'd':
        if (run == 1) out += std::to_string(parts.day);
        else if (run == 2) out += Padded(parts.day, 2);
        else if (run == 3) out += std::string(kDayNames[parts.weekDay]).substr(0, 3);
        else out += kDayNames[parts.weekDay];
        break;
      case 'm':
        if (afterHour && run <= 2) out += run == 1 ? std::to_string(parts.minute) : Padded(parts.minute, 2);
        else if (run == 1) out += std::to_string(parts.month);
        else if (run == 2) out += Padded(parts.month, 2);
        else if (run == 3) out += std::string(kMonthNames[parts.month - 1]).substr(0, 3);
        else out += kMonthNames[parts.month - 1];
        break;
      case 'h': out += run == 1 ? std::to_string(parts.hour) : Padded(parts.hour, 2); break;
      case 'n': out += run == 1 ? std::to_string(parts.minute) : Padded(parts.minute, 2); break;
      case 's': out += run == 1 ? std::to_string(parts.second) : Padded(parts.second, 2); break;
      case 'z': out += run < 3 ? std::to_string(parts.millisecond) : Padded(parts.millisecond, 3); break;
      case '/': out += '-'; break;
      default: out.append(run, c); break;
    }
    if (std::isalpha(static_cast<unsigned char>(c))) afterHour = letter == 'h';
    i += run;
  }
  return out;
}

namespace builtin {

void AddDateTimeBuiltins(TBuiltinTable& table) {
  table["now"] = [](const TArgs& a) {
    Count(a, 0, 0, "Now");
    return TValue::Float(DateTimeNow());
  };
  table["date"] = [](const TArgs& a) {
    Count(a, 0, 0, "Date");
    return TValue::Float(std::floor(DateTimeNow()));
  };
  table["time"] = [](const TArgs& a) {
    Count(a, 0, 0, "Time");
    const double now = DateTimeNow();
    return TValue::Float(now - std::floor(now));
  };
  table["formatdatetime"] = [](const TArgs& a) {
    Count(a, 2, 2, "FormatDateTime");
    return TValue::String(FormatDateTimeText(Str(a[0]), Real(a[1])));
  };
  // The short date and long time formats of a Linux program compiled by Free Pascal.
  table["datetimetostr"] = [](const TArgs& a) {
    Count(a, 1, 1, "DateTimeToStr");
    const double value = Real(a[0]);
    return TValue::String(FormatDateTimeText(value == std::floor(value) ? "d/m/yy" : "d/m/yy hh:nn:ss", value));
  };
  table["datetostr"] = [](const TArgs& a) {
    Count(a, 1, 1, "DateToStr");
    return TValue::String(FormatDateTimeText("d/m/yy", Real(a[0])));
  };
  table["timetostr"] = [](const TArgs& a) {
    Count(a, 1, 1, "TimeToStr");
    return TValue::String(FormatDateTimeText("hh:nn:ss", Real(a[0])));
  };
  table["encodedate"] = [](const TArgs& a) {
    Count(a, 3, 3, "EncodeDate");
    const std::chrono::year_month_day date{std::chrono::year(int(Int(a[0]))), std::chrono::month(unsigned(Int(a[1]))),
                                           std::chrono::day(unsigned(Int(a[2])))};
    if (!date.ok()) throw TBuiltinError(TErrorCode::kConversion, "Invalid argument to date encode", "EConvertError");
    return TValue::Float(std::chrono::sys_days(date).time_since_epoch().count() + kUnixEpoch);
  };
  table["encodetime"] = [](const TArgs& a) {
    Count(a, 4, 4, "EncodeTime");
    const int64_t h = Int(a[0]), n = Int(a[1]), s = Int(a[2]), z = Int(a[3]);
    if (h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59 || z < 0 || z > 999)
      throw TBuiltinError(TErrorCode::kConversion, "Invalid argument to time encode", "EConvertError");
    return TValue::Float((h * 3600.0 + n * 60.0 + s + z / 1000.0) / kSecondsPerDay);
  };
}

}  // namespace builtin

}  // namespace varnelo::pascal
