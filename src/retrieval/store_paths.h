#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnelo::retrieval {

// The folder of the page store, inside the home directory.
inline constexpr std::string_view kPageStoreFolder = "website";

// Where the pages of site `site` with host `host` and decoded directory `dir` ("/" between its
// segments) are stored, ending with "/". Whatever the URL held, the result stays inside the site's
// folder: a host or segment of "." or "..", and a "/" inside the host, are escaped.
std::string StoreDirectory(const std::filesystem::path& home, std::string_view site, std::string_view host,
                           std::string_view dir);
// The stored file of such a page with decoded file name `fileName`; "index.html" when it is blank.
// A "/" inside the file name is escaped, as is a name of "." or "..".
std::string StorePath(const std::filesystem::path& home, std::string_view site, std::string_view host,
                      std::string_view dir, std::string_view fileName);


// The same naming under any folder `root`: the folder of host `host` and decoded directory `dir`,
// ending with "/", which stays inside `root` whatever the URL held.
std::string DirectoryUnder(const std::filesystem::path& root, std::string_view host, std::string_view dir);
// One file-system name made from a decoded URL part: a "/" (only an escape can have put it there),
// a NUL byte and a name of "." or ".." are escaped, so the file stays in its folder.
std::string SingleFileName(std::string_view name);

}  // namespace varnelo::retrieval
