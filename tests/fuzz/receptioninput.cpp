#include "receptioninput.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <span>
#include <vector>

#include "protocol/receptionlogic.h"
#include "protocol/wirerecord.h"

namespace {

constexpr int kHeaderSize = 16;
constexpr int kLongestAnswer = 23 + 4 * 101;
constexpr int kCodes[] = {1006, 2001, 2002, 2003, 2004, 2005};
// Each record comes this much later than the one before: some progress counts are due, some not.
constexpr auto kBetweenRecords = std::chrono::milliseconds(37);

void CheckAnswer(std::span<const char> answer, int command) {
    const int length = static_cast<int>(answer.size());
    Require(length >= kHeaderSize + 1 && length <= kLongestAnswer);
    Require(std::memcmp(answer.data(), "ZNLA", 4) == 0);
    Require(GetIntField(answer.data(), 4, 8) == length);
    Require(GetIntField(answer.data(), 12, 4) == command);
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
                Number(10, 0);  // the connection's customer number
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

void Require(bool condition) {
    if (!condition) std::abort();
}

std::span<char> SharedBlockBuffer() {
    static std::vector<char> buffer(BLOCK_BUFFER_SIZE);
    return buffer;
}

void DriveReception(ReceptionLogic& logic, const std::uint8_t* data, std::size_t size,
                    const std::function<void()>& checkOpenFile) {
    static std::vector<char> buffer(RECV_BUFFER_SIZE);
    char* record = buffer.data();
    ReceptionLogic::TimePoint now{};
    const std::uint8_t opening[] = {0, 5, 'f', '.', 'j', 'p', 'g'};
    const int headerLength = RecordMaker(record, opening, sizeof opening).Make(kCodes[1]);
    const RecordOutcome opened = logic.HandleRecord(kCodes[1], buffer, headerLength, now);
    Require(opened.answer.size() == 27 && logic.File().isOpen);
    bool ended = false;
    size_t at = 0;
    while (at + 3 <= size && !ended) {
        const std::uint8_t selector = data[at];
        const size_t payload = std::min<size_t>(data[at + 1] | data[at + 2] << 8, size - at - 3);
        at += 3;
        const int kind = selector & 0x7F;
        const int command = kind < static_cast<int>(std::size(kCodes)) ? kCodes[kind] : kind;
        int received = 0;
        if (selector & 0x80) {
            received = kHeaderSize +
                       static_cast<int>(std::min<size_t>(payload, RECV_BUFFER_SIZE - kHeaderSize));
            BuildHeader(record, "ZNLA", received, command);
            std::memcpy(record + kHeaderSize, data + at,
                        static_cast<size_t>(received - kHeaderSize));
        } else {
            received = RecordMaker(record, data + at, payload).Make(command);
        }
        at += payload;
        now += kBetweenRecords;
        const RecordOutcome outcome = logic.HandleRecord(command, buffer, received, now);
        // Nothing is answered only where the connection ends.
        if (!outcome.answer.empty() || !outcome.endConnection) CheckAnswer(outcome.answer, command);
        checkOpenFile();
        ended = outcome.endConnection;
    }
}
