#pragma once
// The receive file store: the file a reception thread is receiving and its companion text, opened
// below the photo save folder without ever leaving it. Names come from a server we do not control:
// they are checked as sent and refused, never repaired, and every folder level and the file are
// opened relative to the level above without following a symbolic link.
#include <sys/uio.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
};

// A folder part or file name as the service may send it: not empty, ".", "..", nothing that
// looks absolute ("\" anywhere, "X:" in front), no "/" and no NUL.
bool IsSafeNamePart(std::string_view part);

// Opens (creating what is missing) the folder levels of folderText below saveFolder, which must
// exist. False, with nothing created outside saveFolder, when a part or the name is refused or a
// level cannot be opened as a real folder.
bool OpenRecvFolder(RecvFileInfo& info, const std::string& saveFolder);
// 1 when the file is open and its length is in storedSize: created empty when missing, kept as it
// is otherwise. 0 when the folder is not open or the name is not a regular file that is ours alone.
int OpenRecvFile(RecvFileInfo& info);
// Appends the pieces at the end of the file with one write and adds them to written. On failure
// the file is cut back to its length before the call and the error number is returned.
int AppendToRecvFile(RecvFileInfo& info, std::span<iovec> pieces);
// Closes the file and its folder.
void CloseRecvFile(RecvFileInfo& info);
// At the thread's end: closes the file, removing it first when it is empty and untouched.
void CloseOrDiscardRecvFile(RecvFileInfo& info);

// text: the file header from offset 390 (CP949), length bytes of it (0 or less: none). The last
// item of type 1 ("01:text") is written, as UTF-8, to the companion file beside the photo: its
// name without the last four characters, then ".txt". Needs the folder open; failures are silent.
void WriteCompanionText(const char* text, int length, const RecvFileInfo& info);

// Every piece between separators, empty ones included; an empty text gives an empty list.
void SplitString(std::string_view text, char separator, std::vector<std::string>& list);
