// SysUtils routines about the environment, file names and the file system, and conversions with defaults.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "pascal/builtin_support.h"

namespace varnelo::pascal::builtin {

namespace {

namespace fs = std::filesystem;


// Where the extension of a file name starts (its last dot after the last "/"), or npos.
size_t ExtensionStart(const std::string& name) {
  size_t dot = name.rfind('.');
  size_t slash = name.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
  return dot;
}

fs::file_status StatusOf(const std::string& path) {
  std::error_code error;
  return fs::status(path, error);
}

TBuiltin PathFunction(const std::string& name, std::string (*function)(const std::string&)) {
  return [name, function](const TArgs& a) {
    Count(a, 1, 1, name);
    return TValue::String(function(Str(a[0])));
  };
}

TBuiltin FileTest(const std::string& name, bool (*test)(const std::string&)) {
  return [name, test](const TArgs& a) {
    Count(a, 1, 2, name);  // FileExists(name, followLink) and DirectoryExists(name, followLink)
    return TValue::Boolean(test(Str(a[0])));
  };
}

std::string IncludeTrailingSlash(const std::string& path) { return path.ends_with('/') ? path : path + "/"; }
std::string ExcludeTrailingSlash(const std::string& path) {
  return path.ends_with('/') ? path.substr(0, path.size() - 1) : path;
}
std::string FileNameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
std::string FilePathOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}
std::string FileExtOf(const std::string& path) {
  size_t start = ExtensionStart(path);
  return start == std::string::npos ? "" : path.substr(start);
}

bool IsFile(const std::string& path) { return !path.empty() && fs::exists(StatusOf(path)) && !fs::is_directory(StatusOf(path)); }
bool IsDirectory(const std::string& path) { return !path.empty() && fs::is_directory(StatusOf(path)); }

bool MakeDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  fs::create_directories(path, error);
  return IsDirectory(path);
}

bool MakeDirectory(const std::string& path) {
  std::error_code error;
  return !path.empty() && fs::create_directory(path, error);
}

bool RemoveDirectory(const std::string& path) {
  std::error_code error;
  return IsDirectory(path) && fs::remove(path, error);
}

bool RemoveFile(const std::string& path) {
  std::error_code error;
  return IsFile(path) && fs::remove(path, error);
}

std::string Environment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

}  // namespace

void AddSystemBuiltins(TBuiltinTable& table) {
  table["gettempdir"] = [](const TArgs& a) {
    Count(a, 0, 1, "GetTempDir");  // GetTempDir(global)
    std::string folder = Environment("TMPDIR");
    return TValue::String(IncludeTrailingSlash(folder.empty() ? "/tmp" : folder));
  };
  table["getenvironmentvariable"] = PathFunction("GetEnvironmentVariable", Environment);
  table["includetrailingpathdelimiter"] = PathFunction("IncludeTrailingPathDelimiter", IncludeTrailingSlash);
  table["includetrailingbackslash"] = PathFunction("IncludeTrailingBackslash", IncludeTrailingSlash);
  table["excludetrailingpathdelimiter"] = PathFunction("ExcludeTrailingPathDelimiter", ExcludeTrailingSlash);
  table["excludetrailingbackslash"] = PathFunction("ExcludeTrailingBackslash", ExcludeTrailingSlash);
  table["extractfilename"] = PathFunction("ExtractFileName", FileNameOf);
  table["extractfilepath"] = PathFunction("ExtractFilePath", FilePathOf);
  table["extractfiledir"] = PathFunction("ExtractFileDir", [](const std::string& path) { return ExcludeTrailingSlash(FilePathOf(path)); });
  table["extractfileext"] = PathFunction("ExtractFileExt", FileExtOf);
  table["changefileext"] = [](const TArgs& a) {
    Count(a, 2, 2, "ChangeFileExt");
    const std::string& name = Str(a[0]);
    return TValue::String(name.substr(0, std::min(ExtensionStart(name), name.size())) + Str(a[1]));
  };
  table["fileexists"] = FileTest("FileExists", IsFile);
  table["directoryexists"] = FileTest("DirectoryExists", IsDirectory);
  table["forcedirectories"] = FileTest("ForceDirectories", MakeDirectories);
  table["createdir"] = FileTest("CreateDir", MakeDirectory);
  table["removedir"] = FileTest("RemoveDir", RemoveDirectory);
  table["deletefile"] = FileTest("DeleteFile", RemoveFile);
  table["sleep"] = [](const TArgs& a) {
    Count(a, 1, 1, "Sleep");
    std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp<int64_t>(Int(a[0]), 0, kMaxSleepMilliseconds)));
    return TValue();
  };
  table["strtoint64"] = [](const TArgs& a) {
    Count(a, 1, 1, "StrToInt64");
    auto value = ParseInteger(Str(a[0]));
    if (!value) throw TBuiltinError(TErrorCode::kConversion, "\"" + a[0].AsString() + "\" is an invalid integer");
    return TValue::Integer(*value);
  };
  table["strtoint64def"] = [](const TArgs& a) {
    Count(a, 2, 2, "StrToInt64Def");
    auto value = ParseInteger(Str(a[0]));
    return TValue::Integer(value ? *value : Int(a[1]));
  };
  table["strtofloatdef"] = [](const TArgs& a) {
    Count(a, 2, 2, "StrToFloatDef");
    auto value = ParseFloat(Str(a[0]));
    return TValue::Float(value ? *value : Real(a[1]));
  };
}

}  // namespace varnelo::pascal::builtin
