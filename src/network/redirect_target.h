#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnelo::network {

// Where a redirect from `answered` (the URL that gave the answer) leads: its `location` resolved against
// it. Nothing when that leaves the web, a scheme other than http or https or a URL without a host, which
// would otherwise end on this machine; the refusal is reported to the fetch log.
std::optional<std::string> RedirectTarget(std::string_view answered, std::string_view location);

}  // namespace varnelo::network
