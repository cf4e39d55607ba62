#pragma once

#include <string>
#include <string_view>
#include <vector>

// Just enough reading of SQL text to find its parameters and the kind of a statement; SQLite itself
// parses the statements.
namespace varnelo::pascal::sqlite {

// The ":name" parameters of `sql` in order of first appearance, each once (compared without regard
// to case); names inside literals, quoted identifiers and comments do not count.
std::vector<std::string> SqlParameterNames(std::string_view sql);

// True when `sql` holds only blanks, semicolons and comments.
bool IsBlankSql(std::string_view sql);

// The first word of a statement, lower-case ("select", "begin"...).
std::string FirstKeyword(std::string_view sql);

}  // namespace varnelo::pascal::sqlite
