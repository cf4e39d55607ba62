#pragma once

#include <filesystem>
#include <string_view>

namespace varnelo::search {

inline constexpr std::string_view kDefinitionsFolderName = "Robot Definitions";
inline constexpr std::string_view kActivityFileName = "activeengine";

// `Robot Definitions` of the home.
std::filesystem::path DefinitionsFolder(const std::filesystem::path& home);
// The folder of a search engine robot's engines.
std::filesystem::path EngineFolder(const std::filesystem::path& home, std::string_view robot);
// The folder's `activeengine` file.
std::filesystem::path ActivityFile(const std::filesystem::path& home, std::string_view robot);

// Where a random query definition named `name` lives: a name without a directory part is taken in
// `Robot Definitions`; a relative name with one is taken from the home, which plays the program's
// directory. An empty name names no file.
std::filesystem::path RandomQueryDefinitionPath(const std::filesystem::path& home, std::string_view name);

}  // namespace varnelo::search
