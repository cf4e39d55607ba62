// The Math unit's routines and the System unit's floating-point ones.
#include <cmath>

#include "pascal/builtin_support.h"

namespace varnelo::pascal::builtin {

namespace {

TBuiltinError InvalidOperation() {
  return TBuiltinError(TErrorCode::kRuntime, "Invalid floating point operation", "EInvalidOp");
}

// Floor and Ceil give an Integer; a value beyond Int64 cannot be one.
TValue ToOrdinal(double value) {
  if (!(value >= -9.2233720368547758e18 && value < 9.2233720368547758e18))
    throw TBuiltinError(TErrorCode::kRangeError, "Range check error");
  return TValue::Integer(static_cast<int64_t>(value));
}

// Max and Min stay integers when both arguments are, as their Integer and Int64 overloads do.
TBuiltin Extreme(const std::string& name, bool greatest) {
  return [name, greatest](const TArgs& a) {
    Count(a, 2, 2, name);
    if (a[0].Kind() == TValueKind::kInteger && a[1].Kind() == TValueKind::kInteger) {
      int64_t x = a[0].AsInteger(), y = a[1].AsInteger();
      return TValue::Integer(greatest ? std::max(x, y) : std::min(x, y));
    }
    double x = Real(a[0]), y = Real(a[1]);
    return TValue::Float(greatest ? (x >= y ? x : y) : (x <= y ? x : y));
  };
}

TBuiltin FloatFunction(const std::string& name, double (*function)(double), bool (*valid)(double)) {
  return [name, function, valid](const TArgs& a) {
    Count(a, 1, 1, name);
    double x = Real(a[0]);
    if (valid && !valid(x)) {
      if (x == 0) throw TBuiltinError(TErrorCode::kDivisionByZero, "Floating point division by zero", "EZeroDivide");
      throw InvalidOperation();
    }
    return TValue::Float(function(x));
  };
}

double FracOf(double x) { return x - std::trunc(x); }
double IntOf(double x) { return std::trunc(x); }
double Exp(double x) { return std::exp(x); }
double Ln(double x) { return std::log(x); }
double Log10(double x) { return std::log10(x); }
double Log2(double x) { return std::log2(x); }
bool Positive(double x) { return x > 0; }

}  // namespace

void AddMathBuiltins(TBuiltinTable& table) {
  table["max"] = Extreme("Max", true);
  table["min"] = Extreme("Min", false);
  table["power"] = [](const TArgs& a) {
    Count(a, 2, 2, "Power");
    double base = Real(a[0]), exponent = Real(a[1]);
    // A negative base has a real power only for a whole exponent.
    if (base < 0 && exponent != std::trunc(exponent)) throw InvalidOperation();
    return TValue::Float(std::pow(base, exponent));
  };
  table["intpower"] = [](const TArgs& a) {
    Count(a, 2, 2, "IntPower");
    return TValue::Float(std::pow(Real(a[0]), static_cast<double>(Int(a[1]))));
  };
  table["exp"] = FloatFunction("Exp", Exp, nullptr);
  table["ln"] = FloatFunction("Ln", Ln, Positive);
  table["log10"] = FloatFunction("Log10", Log10, Positive);
  table["log2"] = FloatFunction("Log2", Log2, Positive);
  table["frac"] = FloatFunction("Frac", FracOf, nullptr);
  table["int"] = FloatFunction("Int", IntOf, nullptr);
  table["floor"] = [](const TArgs& a) {
    Count(a, 1, 1, "Floor");
    return ToOrdinal(std::floor(Real(a[0])));
  };
  table["ceil"] = [](const TArgs& a) {
    Count(a, 1, 1, "Ceil");
    return ToOrdinal(std::ceil(Real(a[0])));
  };
  table["sqrt"] = [](const TArgs& a) {
    Count(a, 1, 1, "Sqrt");
    double x = Real(a[0]);
    if (x < 0) throw InvalidOperation();
    return TValue::Float(std::sqrt(x));
  };
}

}  // namespace varnelo::pascal::builtin
