#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "config/start_url_list.h"

namespace varnelo::config {

// The fields of the robot editor's pages, one record per robot kind. The values given here are what
// the page shows for a new robot.

// An engine definition of a search engine robot; checked = active.
struct TEngineEntry {
  std::string name;
  bool checked = true;
  bool selected = false;
  bool operator==(const TEngineEntry&) const = default;
};

// "Engin de recherche"
struct TSearchEnginePage {
  std::vector<TEngineEntry> engines;
  std::string definitionName;  // the field beside "Nouveau"
  std::vector<std::string> categories;  // the drop-down list: the sections of Category.ini
  std::string category;                 // the drop-down's text
  bool sendToScript = false;            // "Script"
  std::string scriptName;
  bool seeOnScreen = true;         // "Voir à l'écran"
  bool allRssInOneWindow = false;  // "Tous les rss dans une même fenêtre"
  bool operator==(const TSearchEnginePage&) const = default;
};

// "Recherche dans des sites"
struct TKeywordSearchPage {
  TStartUrlList startUrls;
  std::string keywords;
  std::string contentType = "text/*";
  std::string maximalSize = "10000M";
  std::string webSiteName = "Nom du site web";
  bool operator==(const TKeywordSearchPage&) const = default;
};

// "Copie de sites web"
struct TBackupPage {
  static constexpr std::array<std::string_view, 6> kContentTypeProposals{"text/*",  "image/*",       "video/*",
                                                                         "audio/*", "application/*", "*/*"};
  TStartUrlList startUrls;
  std::string contentType = "*/*";
  std::string maximalSize = "10000M";
  std::string webSiteName = "Web site name";
  std::string mhtFile;  // chosen by file dialog only
  std::string zipFile;  // chosen by file dialog only
  bool operator==(const TBackupPage&) const = default;
};

// "Fichier Local"
struct TLocalFilePage {
  std::string localFile;
  std::string tempFileName;
  bool seeOnScreen = true;    // "Voir à l'écran"
  bool sendToScript = false;  // "Envoyer vers un script"
  std::string scriptName;
  bool operator==(const TLocalFilePage&) const = default;
};

// "URL Spécifique"
struct TSpecifiedPagesPage {
  std::string bookmarkFile;   // chosen by file dialog only
  bool sendToScript = false;  // "Envoyer vers un script"
  std::string scriptName;
  std::string saveDirectory;
  bool seeOnScreen = true;  // "Voir à l'écran le url"
  bool operator==(const TSpecifiedPagesPage&) const = default;
};

// "Script"
struct TScriptPage {
  std::string scriptName;
  bool seeOnScreen = true;  // "Voir à l'écran"
  std::string tempFileName;
  bool operator==(const TScriptPage&) const = default;
};

// "Requête HTTP aléatoire"
struct TRandomQueryPage {
  std::string dictionary;  // the dictionary file, chosen through the association dialog only
  std::string robotDefFile;
  bool sendToScript = false;  // "Envoyer vers un script"
  std::string scriptName;
  bool operator==(const TRandomQueryPage&) const = default;
};

}  // namespace varnelo::config
