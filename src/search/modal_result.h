#pragma once

namespace varnelo::search {

// How a modal dialog model stands: still open, or closed with OK or without.
enum class TModalResult { None, Ok, Cancel };

}  // namespace varnelo::search
