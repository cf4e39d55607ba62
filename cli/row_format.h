#pragma once

#include <string>
#include <string_view>

#include "base/result_tabs.h"

namespace varnelo::cli {

// The text as a JSON string, quotes included. Valid UTF-8 passes through; a byte that is not part of a
// valid UTF-8 sequence is taken as the Latin-1 character of the same value, so any bytes give valid
// JSON.
std::string JsonString(std::string_view bytes);

// The text as one field of a tab-separated line: backslash, tab, line feed and carriage return are
// written "\\", "\t", "\n" and "\r", so a field never splits the line or its neighbour.
std::string TsvField(std::string_view bytes);

// One line (without its line end) for a row added to a list tab: the tab's caption, the row's caption
// and its sub-items; as tab-separated fields, or as {"tab":..., "columns":[...]}.
std::string RowLine(std::string_view tabCaption, const base::TListRow& row, bool json);

// One line for a navigation of a browser tab: the tab's caption and the URL it shows, then the data
// of a POST when there is some; as tab-separated fields, or as {"tab":..., "url":..., "post":...}.
std::string NavigationLine(std::string_view tabCaption, const base::TTabContent& content, bool json);

}  // namespace varnelo::cli
