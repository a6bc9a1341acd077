// Arbitrary records from a file server through the reception thread's record handling (file
// header, sub-blocks, block checks, file end, keep-alive, unknown codes) against a temporary save
// folder. Every answer must be a whole record that repeats the code it answers, an open file must
// hold exactly what was counted, and nothing may ever appear outside the save folder.
//
// Input: records one after the other, each a selector byte, two bytes of payload length
// (little-endian) and the payload. A selector with its high bit set takes the payload as the raw
// body of a record; otherwise the payload describes a record of one of the file server's codes
// in a few bytes, so that files are accepted, blocks completed and files ended early on.
#include <sys/stat.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/settings.h"
#include "core/clientsock.h"
#include "core/fsthread_session.h"
#include "protocol/wirerecord.h"

namespace fs = std::filesystem;

namespace {

constexpr int kHeaderSize = 16;
constexpr int kLongestAnswer = 23 + 4 * 101;
constexpr int kCodes[] = {1006, 2001, 2002, 2003, 2004, 2005};

void Require(bool condition) {
    if (!condition) std::abort();
}

struct Folders {
    fs::path scratch;
    fs::path save;
    fs::path outside;
};

const Folders& Scratch() {
    static const Folders folders = [] {
        std::string pattern = (fs::temp_directory_path() / "fuzz-reception-XXXXXX").string();
        const fs::path scratch = ::mkdtemp(pattern.data());
        Folders made{scratch, scratch / "save", scratch / "outside"};
        fs::create_directory(made.save);
        fs::create_directory(made.outside);
        std::ofstream(made.outside / "keep") << "keep";
        return made;
    }();
    return folders;
}

void RemoveScratch() {
    std::error_code ignored;
    fs::remove_all(Scratch().scratch, ignored);
}

// Only the two folders are in the scratch folder, and the one outside is as it was.
void CheckNothingOutside(const Folders& folders) {
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(folders.scratch)) {
        Require(entry.path() == folders.save || entry.path() == folders.outside);
        ++entries;
    }
    Require(entries == 2);
    int outsideEntries = 0;
    for (const auto& entry : fs::directory_iterator(folders.outside)) {
        Require(entry.path().filename() == "keep" && fs::file_size(entry.path()) == 4);
        ++outsideEntries;
    }
    Require(outsideEntries == 1);
}

void CheckAnswer(const char* answer, int length, int command) {
    Require(length >= kHeaderSize + 1 && length <= kLongestAnswer);
    Require(std::memcmp(answer, "ZNLA", 4) == 0);
    Require(GetIntField(answer, 4, 8) == length);
    Require(GetIntField(answer, 12, 4) == command);
}

void CheckOpenFile(const RecvFileInfo& file) {
    if (!file.bOpen) return;
    struct stat status {};
    Require(::fstat(file.file.Get(), &status) == 0 && S_ISREG(status.st_mode));
    Require(status.st_size == file.nStoredSize + file.nWritten);
}

// Builds a record into `record` from a compact description; returns its length.
class RecordMaker {
public:
    RecordMaker(char* record, const std::uint8_t* payload, size_t size)
        : m_record(record), m_in(payload), m_left(size) {}

    int Make(int code) {
        m_length = kHeaderSize;
        switch (code) {
            case 2001:
                Number(10, 0);  // the session's customer number
                Text(250);
                Text(100);
                Number(10, Byte() | Byte() << 8);
                m_length += 4;
                Rest();
                break;
            case 2002:
            case 2005:
                Number(3, Byte());
                Number(3, Byte());
                Data((Byte() | Byte() << 8) * 2);
                break;
            case 2003:
                Number(3, Byte());
                Number(3, Byte());
                break;
            case 2004:
                Number(10, Byte() | Byte() << 8);
                break;
            default:
                break;
        }
        BuildHeader(m_record, "ZNLA", m_length, code);
        return m_length;
    }

private:
    int Byte() {
        if (m_left == 0) return 0;
        --m_left;
        return *m_in++;
    }
    void Number(int width, int value) {
        PutField(m_record, m_length, width, "%0*d", width, value);
        m_length += width;
    }
    // A length byte, then that many bytes, blank-padded to the field.
    void Text(int width) {
        const size_t taken = std::min({static_cast<size_t>(Byte()), m_left, size_t(width)});
        std::memset(m_record + m_length, ' ', static_cast<size_t>(width));
        std::memcpy(m_record + m_length, m_in, taken);
        m_in += taken;
        m_left -= taken;
        m_length += width;
    }
    // `bytes` of data (up to what the buffer holds): the rest of the payload, then NUL bytes.
    void Data(int bytes) {
        const int room = std::min(bytes, RECV_BUFFER_SIZE - m_length);
        std::memset(m_record + m_length, 0, static_cast<size_t>(room));
        const size_t taken = std::min(m_left, static_cast<size_t>(room));
        std::memcpy(m_record + m_length, m_in, taken);
        m_length += room;
        m_left = 0;
    }
    void Rest() {
        const size_t taken = std::min(m_left, size_t(RECV_BUFFER_SIZE - m_length));
        std::memcpy(m_record + m_length, m_in, taken);
        m_length += static_cast<int>(taken);
        m_left = 0;
    }

    char* m_record;
    const std::uint8_t* m_in;
    size_t m_left;
    int m_length = kHeaderSize;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    g_szSaveFolder.Set(Scratch().save.string());
    std::atexit(RemoveScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const Folders& folders = Scratch();
    {
        CClientSock sock;  // never connected: only its stop flag is used
        ReceptionSession session(sock);
        // Every input starts with a file open, so that short inputs already reach the blocks.
        const std::uint8_t opening[] = {0, 5, 'f', '.', 'j', 'p', 'g'};
        const int headerLength =
            RecordMaker(session.RecvBuffer(), opening, sizeof opening).Make(kCodes[1]);
        Require(session.HandleRecord(kCodes[1], headerLength) == 27 && session.File().bOpen);
        size_t at = 0;
        while (at + 3 <= size && !sock.m_bStop) {
            const std::uint8_t selector = data[at];
            const size_t payload =
                std::min<size_t>(data[at + 1] | data[at + 2] << 8, size - at - 3);
            at += 3;
            const int kind = selector & 0x7F;
            const int command = kind < static_cast<int>(std::size(kCodes)) ? kCodes[kind] : kind;
            char* record = session.RecvBuffer();
            int received = 0;
            if (selector & 0x80) {
                received = kHeaderSize + static_cast<int>(std::min<size_t>(
                                             payload, RECV_BUFFER_SIZE - kHeaderSize));
                BuildHeader(record, "ZNLA", received, command);
                std::memcpy(record + kHeaderSize, data + at,
                            static_cast<size_t>(received - kHeaderSize));
            } else {
                received = RecordMaker(record, data + at, payload).Make(command);
            }
            at += payload;
            const int length = session.HandleRecord(command, received);
            CheckAnswer(session.Answer(), length, command);
            CheckOpenFile(session.File());
        }
    }
    CheckNothingOutside(folders);
    for (const auto& entry : fs::directory_iterator(folders.save)) fs::remove_all(entry.path());
    return 0;
}
