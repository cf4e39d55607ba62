#pragma once

#include <filesystem>

namespace varnelo::retrieval {

// Packs the page store copy of one site (`siteFolder`, every file below it, directory names kept)
// into the zip archive `zipPath`. An existing archive is updated: files it lacks are added, files
// newer than their copy in it replace that copy, the others stay. False when the archive cannot be
// opened or written, or a file cannot be added.
bool PackSiteCopy(const std::filesystem::path& zipPath, const std::filesystem::path& siteFolder);

}  // namespace varnelo::retrieval
