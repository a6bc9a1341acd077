#include "core/folderlistrecord.h"

#include <cstring>

#include "protocol/cp949.h"
#include "protocol/wirerecord.h"

namespace {

constexpr int kCommandFolderList = 1005;
constexpr int kCustomerNoOffset = RECORD_HEADER_SIZE;
constexpr int kCustomerNoWidth = 10;
constexpr std::size_t kListOffset = kCustomerNoOffset + kCustomerNoWidth;

std::string FolderListText(const QStringList& folders) {
    std::string text;
    for (qsizetype i = 0; i < folders.size(); ++i) {
        if (i > 0) text += ',';
        text += "01:";
        text += platform::Utf8ToCp949(folders[i].toStdString());
    }
    return text;
}

}  // namespace

std::size_t FolderListRecordLength(const QStringList& folders) {
    return kListOffset + FolderListText(folders).size();
}

std::optional<std::string> BuildFolderListRecord(int customerNo, const QStringList& folders) {
    const std::string list = FolderListText(folders);
    const std::size_t length = kListOffset + list.size();
    if (length > FOLDER_LIST_RECORD_SIZE) return std::nullopt;
    std::string record(length, '\0');
    BuildHeader(record.data(), "ZNLR", static_cast<int>(length), kCommandFolderList);
    // A number wider than its field keeps its first ten characters, never spilling into the list.
    PutField(record.data(), kCustomerNoOffset, kCustomerNoWidth, "%10d", customerNo);
    std::memcpy(record.data() + kListOffset, list.data(), list.size());
    return record;
}
