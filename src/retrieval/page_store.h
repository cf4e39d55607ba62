#pragma once

#include <ctime>
#include <filesystem>
#include <memory>
#include <string_view>

#include "retrieval/store_file_writer.h"

#include "url/url.h"

namespace varnelo::retrieval {

// The file in the home directory that lists the stored files that could not be created.
inline constexpr std::string_view kErrorSavingLog = "errorsaving.log";

// Stores `text` unchanged as the page of `record` in the page store of site `site`, creating the
// missing directories, and gives the file the last-write time `lastModified` (0, when the server sent
// none, gives the epoch, so that a later conditional fetch is never answered from the store). False
// when the write or setting the time failed; nothing is logged.
bool SaveTextToStore(const std::filesystem::path& home, const url& record, std::string_view text,
                     std::string_view site, std::time_t lastModified);

// The same for the bytes of any document (an empty file name is "index.html"). When the file cannot
// be created, "Error writing to " and its path are appended to errorsaving.log and the result is
// false.
bool SaveStreamToStore(const std::filesystem::path& home, const url& record, std::string_view bytes,
                       std::string_view site, std::time_t lastModified);

// The same written as the bytes arrive: the writer for the page of `record`, put in place by
// CommitStoreFile, which logs a failure to errorsaving.log as SaveStreamToStore does.
std::unique_ptr<TStoreFileWriter> OpenStoreFile(const std::filesystem::path& home, const url& record,
                                                std::string_view site);
bool CommitStoreFile(const std::filesystem::path& home, TStoreFileWriter& writer, std::time_t lastModified);

}  // namespace varnelo::retrieval
