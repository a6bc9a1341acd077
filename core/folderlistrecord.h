#pragma once
// The folder-list record (command 1005): the customer number and every save-folder name as an
// item "01:" + name, the items joined with ",".
#include <QStringList>
#include <cstddef>
#include <optional>
#include <string>

// The server takes the record into a buffer of this many bytes.
inline constexpr std::size_t FOLDER_LIST_RECORD_SIZE = 2000;

// Length of the whole record, header included, with the names counted in the CP949 bytes they are
// sent as.
std::size_t FolderListRecordLength(const QStringList& folders);
// The record's bytes, or nothing when the record would not fit FOLDER_LIST_RECORD_SIZE.
std::optional<std::string> BuildFolderListRecord(int customerNo, const QStringList& folders);
