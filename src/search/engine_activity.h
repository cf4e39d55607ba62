#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::search {

// The engines of a search engine robot: every entry of its folder but `activeengine`, sorted by name. The store's companion files (a "<name>.lock" or "<name>.tmp" beside an entry or
// beside `activeengine`) are not engines. No folder: no engine.
std::vector<std::string> ListEngines(const std::filesystem::path& home, std::string_view robot);

// An engine is active when its key in `engineactivity` is true or absent.
bool IsEngineActive(const std::filesystem::path& home, std::string_view robot, std::string_view engine);
// Throws config::EConfigWriteError when the activity file cannot be written.
void SetEngineActive(const std::filesystem::path& home, std::string_view robot, std::string_view engine,
                     bool active);

// The engines of a run: the listed engines that are active, in listing order.
std::vector<std::string> ActiveEngines(const std::filesystem::path& home, std::string_view robot);

// Removes the engine's file (and the store's lock file beside it) and its activity key. Throws
// config::EConfigWriteError when the activity file cannot be written.
void DeleteEngine(const std::filesystem::path& home, std::string_view robot, std::string_view engine);

}  // namespace varnelo::search
