#pragma once

#include <array>
#include <string_view>

namespace varnelo::config {

// The `DataFrom` strings that name the seven robot kinds; they are compared exactly, case included.
namespace kind {
inline constexpr std::string_view kSearchEngine = "Search engine functionality";
inline constexpr std::string_view kWebSiteKeywordsSearch = "Web Site Keywords Search";
inline constexpr std::string_view kWebSiteBackup = "Web Site Backup";
inline constexpr std::string_view kReadLocalFile = "Read Local File";
inline constexpr std::string_view kSpecifiedPages = "Download Specified Web/Ftp/News pages";
inline constexpr std::string_view kScript = "Script (use it for database request)";
inline constexpr std::string_view kRandomHttpQuery = "Random Http Query";
}  // namespace kind

struct TRobotKind {
  std::string_view dataFrom;    // the `DataFrom` value
  std::string_view editorPage;  // caption of the robot editor's page for it
};

inline constexpr std::array<TRobotKind, 7> kRobotKinds{{
    {kind::kSearchEngine, "Engin de recherche"},
    {kind::kWebSiteKeywordsSearch, "Recherche dans des sites"},
    {kind::kWebSiteBackup, "Copie de sites web"},
    {kind::kReadLocalFile, "Fichier Local"},
    {kind::kSpecifiedPages, "URL Spécifique"},
    {kind::kScript, "Script"},
    {kind::kRandomHttpQuery, "Requête HTTP aléatoire"},
}};

// Whether `dataFrom` is exactly one of the seven kind strings.
constexpr bool IsRobotKind(std::string_view dataFrom) {
  for (const TRobotKind& k : kRobotKinds) {
    if (k.dataFrom == dataFrom) return true;
  }
  return false;
}

}  // namespace varnelo::config
