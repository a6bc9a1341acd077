#include "minireceiver.h"

namespace peertest {
namespace {

std::string TextAt(const std::string& record, std::size_t offset, std::size_t width) {
    std::string text = record.substr(offset, width);
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

MiniReceiver::MiniReceiver(std::uint16_t port, int customerNo)
    : m_line(port), m_customerNo(customerNo) {}

std::string MiniReceiver::Greet() {
    m_line.Send(Record("ZNLR", 1003, Blanks(m_customerNo, 10)));
    return m_line.ReadRecord();
}

bool MiniReceiver::Receive(int count) {
    const int target = m_finished + count;
    while (m_finished < target) {
        const std::string record = m_line.ReadRecord();
        if (record.empty()) return false;
        const std::string answer = Answer(record);
        if (!answer.empty() && !m_line.Send(answer)) return false;
    }
    return true;
}

std::string MiniReceiver::AnswerHeader(const std::string& record) {
    ReceivedFile file;
    file.headerCustomerNo = NumberAt(record, 16, 10);
    file.folder = TextAt(record, 26, 250);
    file.name = TextAt(record, 276, 100);
    file.size = NumberAt(record, 376, 10);
    file.companion = record.substr(390);
    const auto [letter, stored] = decide ? decide(file) : std::pair<char, long long>('Y', 0);
    file.answer = letter;
    file.stored = stored;
    files.push_back(file);
    if (letter == 'N') {
        ++m_finished;
        return Record("ZNLA", 2001, std::string(1, 'N') + std::string(10, '\0'));
    }
    return Record("ZNLA", 2001, letter + Zeros(stored, 10));
}

std::string MiniReceiver::AnswerCheck(const std::string& record) {
    checks.push_back(record);
    const long long block = NumberAt(record, 16, 3);
    const long long count = NumberAt(record, 19, 3);
    if (block != m_blockNo) return Record("ZNLA", 2003, "N" + Zeros(m_blockNo, 3));
    std::string list;
    int missing = 0;
    for (long long k = 1; k <= count; ++k) {
        if (m_block.count(k)) continue;
        list += Blanks(k, 3) + ",";
        ++missing;
    }
    if (missing > 0) return Record("ZNLA", 2003, "N000" + Zeros(missing, 3) + list);
    for (long long k = 1; k <= count; ++k) files.back().data += m_block[k];
    m_block.clear();
    return Record("ZNLA", 2003, "Y000000");
}

std::string MiniReceiver::Answer(const std::string& record) {
    const int code = CodeOf(record);
    switch (code) {
        case 2001:
            return AnswerHeader(record);
        case 2002:
        case 2005:
            m_blockNo = NumberAt(record, 16, 3);
            subBlocks.push_back({m_blockNo, NumberAt(record, 19, 3)});
            m_block[subBlocks.back().number] = record.substr(22);
            if (keepAliveBeforeFirstSubBlockAnswer && !m_keepAliveSent) {
                m_keepAliveSent = m_line.Send(Record("ZNLA", 1006, " "));
            }
            return Record("ZNLA", code, "Y");
        case 2003:
            return AnswerCheck(record);
        case 2004:
            files.back().endCount = NumberAt(record, 16, 10);
            ++m_finished;
            return Record("ZNLA", 2004,
                          Blanks(static_cast<long long>(files.back().data.size()), 10));
        case 1006:
            ++serverKeepAlives;
            return {};
        default:
            return {};
    }
}

}  // namespace peertest
