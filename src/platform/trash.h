#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace varnelo::platform {

// The freedesktop.org Trash of the user's home: deleted files stay recoverable from the desktop's
// trash view.

// $XDG_DATA_HOME/Trash, or ~/.local/share/Trash when XDG_DATA_HOME is unset or not absolute. Throws
// std::runtime_error when neither variable gives an absolute folder.
std::filesystem::path HomeTrashDirectory();

// Where one trashed file went.
struct TTrashedFile {
  std::filesystem::path file;  // <trash>/files/<name>
  std::filesystem::path info;  // <trash>/info/<name>.trashinfo
};

// Moves `file` (a file, link or folder) into `trashDirectory`: reserves a name that neither files/ nor
// info/ holds yet (the original name, else "<name>.2", "<name>.3" …), writes its .trashinfo with the
// original absolute path and the deletion time `now` (local time), then renames the file. The trash
// folders are made when missing (mode 0700). Throws std::system_error and leaves no info file behind
// when the file cannot be moved; a file on another file system than the trash fails with EXDEV.
TTrashedFile MoveToTrash(const std::filesystem::path& file, const std::filesystem::path& trashDirectory,
                         std::time_t now = std::time(nullptr));

// The content of a .trashinfo file: "[Trash Info]", "Path=" with the percent-encoded absolute path and
// "DeletionDate=" as YYYY-MM-DDThh:mm:ss in local time, each line ended by LF.
std::string TrashInfoText(std::string_view absolutePath, std::time_t deletionTime);

}  // namespace varnelo::platform
