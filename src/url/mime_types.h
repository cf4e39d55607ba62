#pragma once

#include <span>
#include <string>
#include <string_view>

namespace varnelo::retrieval {

struct TMimeExtension {
  std::string_view type;
  std::string_view extension;  // without the "."
};

// The fixed (MIME type, extension) rows, in the order they are searched. A type with several rows
// takes the extension of its first.
std::span<const TMimeExtension> MimeExtensionTable();

// "." and the extension of the first row whose type equals `mimeType` exactly (so a type carrying
// parameters matches none), else `defaultExtension`.
std::string ExtensionForType(std::string_view mimeType, std::string_view defaultExtension);

// The type of the first row whose extension equals the extension of `fileName` (after its last ".",
// without regard to case); empty when the name has no extension or the table knows none.
std::string TypeForFileName(std::string_view fileName);

// The type before any ";", trimmed, is "text/html" or "application/xhtml+xml" without regard to case.
bool IsHtmlType(std::string_view contentType);

// The content type is empty, holds "text" anywhere, or is "application/xhtml+xml", without regard to
// case.
bool IsTextType(std::string_view contentType);

}  // namespace varnelo::retrieval
