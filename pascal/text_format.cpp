#include "pascal/text_format.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <stdexcept>
#include <utility>

namespace varnelo::pascal {

namespace {

std::string PadLeft(std::string text, std::optional<int> width) {
  if (width && *width > 0 && static_cast<int>(text.size()) < *width) text.insert(0, *width - text.size(), ' ');
  return text;
}

std::string Printf(const char* format, int precision, double value) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, format, precision, value);
  return buffer;
}

// The plain decimal form of a non-negative value: exact when significant is 0, otherwise rounded to that many
// significant digits first.
std::string PlainDecimal(double value, int significant) {
  std::vector<char> buffer(1600);
  if (significant == 0) {
    std::snprintf(buffer.data(), buffer.size(), "%.1100f", value);
    return buffer.data();
  }
  std::snprintf(buffer.data(), buffer.size(), "%.*e", significant - 1, value);
  std::string text = buffer.data();
  size_t e = text.find('e');
  int exponent = std::atoi(text.c_str() + e + 1);
  std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
  if (exponent >= 0) {
    if (static_cast<int>(digits.size()) <= exponent + 1) return digits + std::string(exponent + 1 - digits.size(), '0');
    return digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
  }
  return "0." + std::string(-exponent - 1, '0') + digits;
}

// Rounds a plain decimal to places decimals, halves away from zero, as the language's routines do.
std::string RoundHalfUp(const std::string& plain, int places) {
  size_t point = plain.find('.');
  std::string whole = point == std::string::npos ? plain : plain.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : plain.substr(point + 1);
  bool up = static_cast<int>(fraction.size()) > places && fraction[places] >= '5';
  fraction.resize(places, '0');
  std::string digits = whole + fraction;
  for (size_t i = digits.size(); up && i-- > 0;) {
    if (digits[i] == '9') {
      digits[i] = '0';
    } else {
      ++digits[i];
      up = false;
    }
  }
  if (up) digits.insert(0, "1");
  std::string text = digits.substr(0, digits.size() - places);
  if (places > 0) text += "." + digits.substr(digits.size() - places);
  return text;
}

// The C library writes at least two exponent digits; the language's routines write at least three.
std::string WidenExponent(std::string text) {
  size_t e = text.find('E');
  if (e == std::string::npos || e + 2 > text.size()) return text;
  size_t digits = text.size() - e - 2;
  if (digits < 3) text.insert(e + 2, 3 - digits, '0');
  return text;
}

// Digits of a finite value rounded to `significant` digits ("12345678") and its decimal exponent (4).
std::pair<std::string, int> SignificantDigits(double value, int significant) {
  std::string text = Printf("%.*e", significant - 1, std::fabs(value));
  size_t e = text.find('e');
  std::string digits = text.substr(0, 1) + (e > 2 ? text.substr(2, e - 2) : "");
  return {digits, std::atoi(text.c_str() + e + 1)};
}

// The general form: plain notation unless the exponent is below -5 or reaches the precision; trailing zeros
// dropped ("0.00001", "1E-6", "1.5E300").
std::string General(double value, int precision) {
  if (std::isnan(value)) return "Nan";
  if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
  if (value == 0) return "0";
  auto [digits, exponent] = SignificantDigits(value, precision);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string text;
  if (exponent < -5 || exponent >= precision) {
    text = digits.substr(0, 1);
    if (digits.size() > 1) text += "." + digits.substr(1);
    text += "E" + std::to_string(exponent);
  } else if (exponent < 0) {
    text = "0." + std::string(-exponent - 1, '0') + digits;
  } else {
    if (static_cast<int>(digits.size()) <= exponent) digits.append(exponent + 1 - digits.size(), '0');
    text = digits.substr(0, exponent + 1);
    if (static_cast<int>(digits.size()) > exponent + 1) text += "." + digits.substr(exponent + 1);
  }
  return (value < 0 ? "-" : "") + text;
}

// Format's %e: "1.2345678000000000E+004", `significant` digits in all.
std::string Exponent(double value, int significant) {
  if (std::isnan(value) || std::isinf(value)) return General(value, 15);
  return WidenExponent(Printf("%.*E", significant - 1, value));
}

std::string Fixed(double value, int places, int significant) {
  std::string text = RoundHalfUp(PlainDecimal(std::fabs(value), significant), places);
  bool zero = text.find_first_not_of("0.") == std::string::npos;
  return (value < 0 && !zero ? "-" : "") + text;
}

}  // namespace

std::string WriteReal(double value, std::optional<int> width, std::optional<int> decimals) {
  if (std::isnan(value)) return PadLeft("Nan", width);
  if (std::isinf(value)) return PadLeft(value > 0 ? "+Inf" : "-Inf", width);
  if (decimals) {
    int places = std::min(std::max(*decimals, 0), 60);
    std::string text = Fixed(value, places, 15);
    // Unlike Format, Write keeps the sign of a negative value that rounds to zero ("-0.00").
    if (value < 0 && text[0] != '-') text.insert(0, "-");
    return PadLeft(text, width);
  }
  // The default width gives 16 decimals; a narrower field gives fewer, down to one.
  int places = 16;
  if (width) places = std::min(16, std::max(1, *width - 8));
  std::string text = WidenExponent(Printf("%.*E", places, value));
  if (value >= 0 || (value == 0 && !std::signbit(value))) text.insert(0, " ");
  return PadLeft(text, width);
}

std::string FloatToText(double value) { return General(value, 15); }

std::string WriteText(const TValue& value, std::optional<int> width, std::optional<int> decimals) {
  switch (value.Kind()) {
    case TValueKind::kInteger:
      if (const auto& names = value.EnumNames(); names && value.AsInteger() >= 0 &&
                                                  value.AsInteger() < static_cast<int64_t>(names->size()))
      {
        // Free Pascal pads an enumeration's name on the right.
        std::string name = (*names)[value.AsInteger()];
        if (width && *width > static_cast<int>(name.size())) name.append(*width - name.size(), ' ');
        return name;
      }
      return PadLeft(std::to_string(value.AsInteger()), width);
    case TValueKind::kFloat: return WriteReal(value.AsFloat(), width, decimals);
    case TValueKind::kString: return PadLeft(value.AsString(), width);
    case TValueKind::kBoolean: return PadLeft(value.AsBoolean() ? "TRUE" : "FALSE", width);
    case TValueKind::kEmpty: return PadLeft("", width);
    case TValueKind::kNull: return PadLeft("Null", width);
    default: throw std::invalid_argument("Can't write variables of this type");
  }
}

std::string FormatText(const std::string& format, const std::vector<TValue>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (++i >= format.size()) throw std::invalid_argument("Invalid format string \"" + format + "\"");
    if (format[i] == '%') {
      out += '%';
      continue;
    }
    // "%1:s" picks the argument by index; the ones after it follow on from there.
    size_t digitsEnd = i;
    while (digitsEnd < format.size() && std::isdigit(static_cast<unsigned char>(format[digitsEnd]))) ++digitsEnd;
    if (digitsEnd > i && digitsEnd < format.size() && format[digitsEnd] == ':') {
      if (digitsEnd - i > 6) throw std::invalid_argument("Invalid format string \"" + format + "\"");
      next = static_cast<size_t>(std::stoi(format.substr(i, digitsEnd - i)));
      i = digitsEnd + 1;
    }
    auto nextArg = [&]() -> const TValue& {
      if (next >= args.size()) throw std::invalid_argument("Format \"" + format + "\" needs more arguments");
      return args[next++];
    };
    // A width or precision of "*" is taken from the arguments.
    auto number = [&](int limit) {
      if (i < format.size() && format[i] == '*') {
        ++i;
        const TValue& given = nextArg();
        if (given.Kind() != TValueKind::kInteger) throw std::invalid_argument("Invalid argument for * in \"" + format + "\"");
        return static_cast<int>(std::clamp<int64_t>(given.AsInteger(), -1, limit));
      }
      int value = -1;
      while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])) && value < limit)
        value = std::max(value, 0) * 10 + (format[i++] - '0');
      return value;
    };
    bool left = false;
    if (i < format.size() && format[i] == '-') {
      left = true;
      ++i;
    }
    int width = number(1000);
    int precision = -1;
    if (i < format.size() && format[i] == '.') {
      ++i;
      precision = std::max(number(100), 0);
    }
    if (i >= format.size()) throw std::invalid_argument("Invalid format string \"" + format + "\"");
    char conversion = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
    const TValue& arg = nextArg();
    std::string piece;
    auto mismatch = [&] { return std::invalid_argument("Invalid argument for %" + std::string(1, conversion) + " in \"" + format + "\""); };
    if (conversion == 'd' || conversion == 'u') {
      if (arg.Kind() != TValueKind::kInteger) throw mismatch();
      piece = std::to_string(arg.AsInteger());
      if (precision > 0 && static_cast<int>(piece.size()) < precision) piece.insert(piece[0] == '-' ? 1 : 0, precision - piece.size() + (piece[0] == '-' ? 1 : 0), '0');
    } else if (conversion == 's') {
      if (arg.Kind() == TValueKind::kString) piece = arg.AsString();
      else throw mismatch();
      if (precision >= 0 && static_cast<int>(piece.size()) > precision) piece.resize(precision);
    } else if (conversion == 'f' || conversion == 'n') {
      if (!arg.IsNumeric()) throw mismatch();
      if (std::isnan(arg.AsFloat()) || std::isinf(arg.AsFloat())) piece = FloatToText(arg.AsFloat());
      else piece = Fixed(arg.AsFloat(), precision < 0 ? 2 : std::min(precision, 60), 0);
      if (conversion == 'n') {
        size_t end = std::min(piece.find('.'), piece.size());
        for (size_t at = end; at > 3 && std::isdigit(static_cast<unsigned char>(piece[at - 4])); at -= 3) piece.insert(at - 3, ",");
      }
    } else if (conversion == 'e' || conversion == 'g') {
      if (!arg.IsNumeric()) throw mismatch();
      // Precision counts significant digits here: at least two, at most what a double holds.
      int significant = precision < 0 ? 17 : std::clamp(precision, 2, 17);
      piece = conversion == 'e' ? Exponent(arg.AsFloat(), significant) : General(arg.AsFloat(), significant);
    } else if (conversion == 'x') {
      if (arg.Kind() != TValueKind::kInteger) throw mismatch();
      // Values are not typed here: one that fits an Integer is shown as the Integer it most likely was.
      int64_t integer = arg.AsInteger();
      uint64_t bits = integer >= INT32_MIN && integer <= INT32_MAX ? static_cast<uint32_t>(integer) : static_cast<uint64_t>(integer);
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(bits));
      piece = buffer;
      if (precision > 0 && static_cast<int>(piece.size()) < precision) piece.insert(0, precision - piece.size(), '0');
    } else {
      throw std::invalid_argument("Invalid format string \"" + format + "\"");
    }
    if (width > 0 && static_cast<int>(piece.size()) < width) {
      if (left) piece.append(width - piece.size(), ' ');
      else piece.insert(0, width - piece.size(), ' ');
    }
    out += piece;
  }
  return out;
}

}  // namespace varnelo::pascal
