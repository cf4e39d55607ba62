#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/config_store.h"

namespace varnelo::search {

// Section `dictionary` of robotconfig.ini: `file<N>` = the full path of dictionary N, and `general`
// `nextnodic` the N of the next one.

// The dictionary list that robots' `dict` numbers index (from 1): the values of section
// `dictionary`, in the order of its keys.
std::vector<std::string> DictionaryList(const config::TConfigStore& store);

// What the dictionary dialog lists: the values of `file1` to `file<nextnodic − 1>`, in that order (an
// empty text for a number without a key).
std::vector<std::string> NumberedDictionaries(const config::TConfigStore& store);

// Whether some key of section `dictionary` holds exactly this path (case included).
bool IsDictionaryRegistered(const config::TConfigStore& store, std::string_view path);

// Registers the path under the number `nextnodic` and advances `nextnodic`; returns the number. A
// number whose key exists already (a file edited by hand) is passed over rather than overwritten.
int AddDictionary(const config::TConfigStore& store, std::string_view path);

// "file<N>"
std::string DictionaryKey(long long number);

}  // namespace varnelo::search
