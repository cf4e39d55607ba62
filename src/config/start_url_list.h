#pragma once

#include <cstddef>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::config {

// `<robot>.url` in the home: the start URLs of a web site robot, one per line.
std::filesystem::path StartUrlFile(const std::filesystem::path& home, std::string_view robot);
// The lines of the robot's start URL file; none when there is no such file. Throws std::system_error
// when it exists but cannot be read.
std::vector<std::string> ReadStartUrls(const std::filesystem::path& home, std::string_view robot);
// Replaces the robot's start URL file with `urls`, each line ended by CR LF. Throws std::system_error.
void WriteStartUrls(const std::filesystem::path& home, std::string_view robot, const std::vector<std::string>& urls);

// The start URL list of a web site page of the robot editor: the URLs, the entries the user selected
// and the URL field beside "ajouter".
class TStartUrlList {
public:
  std::string urlField;

  const std::vector<std::string>& Urls() const { return urls_; }
  void Assign(std::vector<std::string> urls);

  const std::set<size_t>& Selected() const { return selected_; }
  // Selects or unselects the entry at `index`; an index past the end changes nothing.
  void Select(size_t index, bool selected);

  // "ajouter": appends the URL field's text as it stands.
  void Add();
  // "enlever": removes every selected entry.
  void RemoveSelected();

  bool operator==(const TStartUrlList&) const = default;

private:
  std::vector<std::string> urls_;
  std::set<size_t> selected_;
};

}  // namespace varnelo::config
