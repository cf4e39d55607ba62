#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace varnelo::config {

// The robot editor's rules for what may be typed and what a name may hold.

inline constexpr size_t kMaxRobotNameLength = 30;

// The characters of a UTF-8 text: a byte that starts no valid sequence counts as one character.
size_t CharacterCount(std::string_view text);

// Whether the name field takes `text`: at most kMaxRobotNameLength characters.
bool AcceptsRobotName(std::string_view text);
// Whether the number of processes takes the key: a digit or backspace.
bool AcceptsNbSimulKey(char key);
// Whether the icon file field takes the key typed into it: a digit.
bool AcceptsIconFileKey(char key);

// The text without the bytes up to blank (controls included) at either end, as typed fields are
// trimmed.
std::string_view TrimmedInput(std::string_view text);

// A robot or definition name without any of \ / : * ? < > | , and ", then without the blanks around
// it, so that it can name a file on any system.
std::string CleanedName(std::string_view name);

// Whether `name` is one of the program's own sections (general, dictionary, bookmarks), letter case
// ignored: no robot may take it.
bool IsProgramSection(std::string_view name);

// Why a robot name of the right length cannot name a section and the robot's files, as a message;
// nothing when it can. A name that reads back otherwise from the file, holds "]" or a path separator,
// is "." or "..", or is one of the program's own sections would write into something that is not
// the robot's.
std::optional<std::string> RobotNameProblem(std::string_view name);

// The same for an engine definition name: it names a file of the robot's folder and a key of its
// activity file.
std::optional<std::string> DefinitionNameProblem(std::string_view name);

}  // namespace varnelo::config
