// Text file routines of the interpreter: AssignFile, Reset, Rewrite, Append, ReadLn, Read, Eof, CloseFile.
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "pascal/interpreter.h"
#include "pascal/text_file.h"

namespace varnelo::pascal {

namespace {

using K = TTypeSpec::TKind;

bool IsFileRoutine(const std::string& name) {
  for (const char* routine : {"assignfile", "assign", "reset", "rewrite", "append", "closefile", "close", "eof",
                              "eoln", "readln", "read"})
    if (name == routine) return true;
  return false;
}

bool IsIntegerKind(K kind) {
  return kind == K::kInteger || kind == K::kInt64 || kind == K::kByte || kind == K::kWord || kind == K::kCardinal ||
         kind == K::kSmallInt || kind == K::kShortInt;
}

std::optional<int64_t> ParseWholeNumber(const std::string& word) {
  if (word.empty()) return int64_t{0};  // at the end of the file a number reads as 0
  size_t used = 0;
  bool negative = word[0] == '-';
  size_t start = word[0] == '-' || word[0] == '+' ? 1 : 0;
  int base = start < word.size() && word[start] == '$' ? 16 : 10;
  if (base == 16) ++start;
  if (start >= word.size()) return std::nullopt;
  errno = 0;
  unsigned long long magnitude = std::strtoull(word.c_str() + start, nullptr, base);
  for (used = start; used < word.size() && std::isxdigit(static_cast<unsigned char>(word[used])) &&
                     (base == 16 || std::isdigit(static_cast<unsigned char>(word[used])));
       ++used) {
  }
  if (used != word.size() || errno == ERANGE) return std::nullopt;
  return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

std::optional<double> ParseReal(const std::string& word) {
  if (word.empty()) return 0.0;
  char* end = nullptr;
  double value = std::strtod(word.c_str(), &end);
  if (end != word.c_str() + word.size()) return std::nullopt;
  return value;
}

}  // namespace

bool TInterpreter::CallFileRoutine(const TNode& node, TValue& result) {
  const std::string& name = node.text;
  if (!IsFileRoutine(name)) return false;
  const auto& args = node.kids;
  // Eof and Read without a file would read the standard input, which a script run does not have.
  if (args.empty()) Fail(TErrorCode::kTypeMismatch, "Wrong number of parameters specified for call to \"" + node.original + "\"", node);
  TValue fileValue = Evaluate(*args[0]);
  TTextFile* file = AsTextFile(fileValue);
  if (!file) Fail(TErrorCode::kTypeMismatch, "Incompatible type for arg no. 1: expected \"Text\"", *args[0]);
  bool assigning = name == "assignfile" || name == "assign";
  if (!assigning && name != "readln" && name != "read" && args.size() != 1)
    Fail(TErrorCode::kTypeMismatch, "Wrong number of parameters specified for call to \"" + node.original + "\"", node);
  try {
    if (assigning) {
      if (args.size() != 2) Fail(TErrorCode::kTypeMismatch, "Wrong number of parameters specified for call to \"" + node.original + "\"", node);
      TValue path = Evaluate(*args[1]);
      if (path.Kind() != TValueKind::kString) Fail(TErrorCode::kTypeMismatch, "Incompatible type for arg no. 2: expected \"String\"", *args[1]);
      file->Assign(path.AsString());
    } else if (name == "reset") {
      file->Reset();
    } else if (name == "rewrite") {
      file->Rewrite();
    } else if (name == "append") {
      file->Append();
    } else if (name == "closefile" || name == "close") {
      file->Close();
    } else if (name == "eof") {
      result = TValue::Boolean(file->Eof());
    } else if (name == "eoln") {
      result = TValue::Boolean(file->Eoln());
    } else {
      ReadFromFile(*file, node, name == "readln");
    }
  } catch (const TInOutError& error) {
    RaiseObject(InOutException(error), node);
  }
  return true;
}

void TInterpreter::ReadFromFile(TTextFile& file, const TNode& node, bool line) {
  for (size_t i = 1; i < node.kids.size(); ++i) {
    const TNode& arg = *node.kids[i];
    TLvalue target = ResolveLvalue(arg);
    K kind = target.type ? target.type->kind : K::kVariant;
    TValue value;
    if (kind == K::kString || kind == K::kVariant) {
      value = TValue::String(file.ReadRestOfLine());
    } else if (kind == K::kChar) {
      value = TValue::String(std::string(1, file.ReadChar()));
    } else if (IsIntegerKind(kind)) {
      auto number = ParseWholeNumber(file.ReadWord());
      if (!number) throw TInOutError(106);
      value = TValue::Integer(*number);
    } else if (kind == K::kDouble) {
      auto number = ParseReal(file.ReadWord());
      if (!number) throw TInOutError(106);
      value = TValue::Float(*number);
    } else {
      Fail(TErrorCode::kTypeMismatch, "Can't read variables of this type", arg);
    }
    *target.cell = Coerce(value, target.type, arg);
  }
  if (line) file.ReadLine();
}

}  // namespace varnelo::pascal
