#pragma once
// The receive file store: the file a reception thread is receiving and its companion text, opened
// below the photo save folder without ever leaving it. Names come from a server we do not control:
// they are checked as sent and refused, never repaired, and every folder level and the file are
// opened relative to the level above without following a symbolic link.
#include <sys/stat.h>
#include <sys/uio.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/deliveredphoto.h"
#include "protocol/filestore.h"

// An owned file descriptor; -1 is none.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept;
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    void Reset();

private:
    int m_fd = -1;
};

// A folder as it was opened: a later look by name must find the same one.
struct FolderIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderIdentity&) const = default;
};

// The file one reception thread is receiving. Sizes are 64-bit: files of 2 GiB and more are
// counted as they are.
struct RecvFileInfo {
    std::string folderText;  // UTF-8, parts separated by backslashes as the file header gave them
    std::string saveName;    // UTF-8
    std::int64_t storedSize = 0;  // length of the file when it was opened
    std::int64_t written = 0;     // bytes appended during this transfer
    UniqueFd folder;  // the file's folder, kept open so the file is always reached through it
    UniqueFd file;
    bool isOpen = false;
    std::string saveFolder;              // the photo save folder's path, as opened
    std::vector<FolderIdentity> levels;  // the save folder, then each level below it
};

// Why a folder part or file name as the service may send it is refused; empty when it is not:
// empty, ".", "..", anything that looks absolute ("\" anywhere, "X:" in front), "/", NUL or
// another control byte.
std::string NamePartProblem(std::string_view part);

// Opens (creating what is missing) the folder levels of folderText below the open save folder.
// Nothing is created outside it. A part or name that is refused, or a level that is a link or
// not a folder, is Refused; a level that cannot be made for a passing reason is NotNow.
StoreFault OpenRecvFolder(RecvFileInfo& info, UniqueFd saveFolder, const std::string& path);
// Opens the file in the open folder: created empty when missing, kept as it is otherwise. A
// stored file that cannot be the photo's start (longer than the limit, or the very file completed
// there with another size) is moved to a free name first: keptAs gets that name, the note says so.
OpenedFile OpenRecvFile(RecvFileInfo& info, const ResumeLimit& limit,
                        const std::optional<StoredPhoto>& completedThere, std::string& keptAs);
// Whether the path from the save folder still leads, level by level and without a link, to the
// open file, and the file still has a name.
StoreFault CheckRecvFile(const RecvFileInfo& info);
// The open file once more, for reading only and without its lock; none when its name no longer
// leads to it.
UniqueFd OpenRecvFileForReading(const RecvFileInfo& info);
// Appends the pieces at the end of the file and adds them to written. On failure
// the file is cut back to its length before the call and the error number is returned.
int AppendToRecvFile(RecvFileInfo& info, std::span<iovec> pieces);
// Closes the file and its folder.
void CloseRecvFile(RecvFileInfo& info);
// At the thread's end: closes the file, removing it first when it is empty and untouched.
void CloseOrDiscardRecvFile(RecvFileInfo& info);

// text: the file header from offset 390 (CP949), length bytes of it (0 or less: none). The last
// item of type 1 ("01:text") is written, as UTF-8, to the companion file beside the photo: its
// name without the last four characters, then ".txt". Needs the folder open
// (core/fsdeclare_companion.cpp).
struct CompanionWrite {
    std::string line;       // what to show, when there is something to say
    std::string writtenAs;  // the name the text is under; empty when it could not be written
};
CompanionWrite WriteCompanionText(const char* text, int length, const RecvFileInfo& info);

// "a (1).jpg", "a (2).jpg", ...: the k-th other name of a file, its extension kept.
std::string NumberedName(const std::string& name, int k);
// How many numbered names are tried before giving up.
inline constexpr int MOST_NUMBERED_NAMES = 9999;
// Renames within the folder unless `to` exists (errno EEXIST then).
bool RenameNoReplace(int folder, const std::string& from, const std::string& to);
// Moves `from` in the folder to the first numbered name of `base` that is free, never replacing
// a file: the name it got, or nothing (errno set).
std::optional<std::string> MoveToFreeName(int folder, const std::string& from,
                                          const std::string& base);

// Every piece between separators, empty ones included; an empty text gives an empty list.
void SplitString(std::string_view text, char separator, std::vector<std::string>& list);
