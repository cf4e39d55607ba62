#pragma once

#include <cstdint>
#include <string_view>

namespace varnelo::retrieval {

// Names the result file of a page: "<hash>.html" in the result folder. Different URLs may share a hash.
uint32_t ResultHash(std::string_view text);

}  // namespace varnelo::retrieval
