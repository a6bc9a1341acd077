#pragma once
// A minimal receiving client written from the record layouts, for driving znl-service's file
// server: it greets, answers file headers as told, collects sub-blocks, answers block checks with
// the missing list and file ends with its byte count, and keeps everything it saw.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "rawclient.h"

namespace peertest {

struct ReceivedFile {
    long long headerCustomerNo = 0;
    std::string folder;  // wire bytes, trailing blanks trimmed
    std::string name;
    std::string companion;
    long long size = 0;
    char answer = 0;
    long long stored = 0;
    std::string data;  // bytes of the blocks completed during this transfer
    long long endCount = -1;
};

struct SubBlockSeen {
    long long block;
    long long number;
    bool operator==(const SubBlockSeen&) const = default;
};

class MiniReceiver {
public:
    MiniReceiver(std::uint16_t port, int customerNo);

    RawClient& Line() { return m_line; }
    // Sends the greeting; the server's answer record, empty when none came.
    std::string Greet();
    // Answers the server until `count` more files are finished (file end answered or header
    // refused); false when the line ended or went quiet first.
    bool Receive(int count);

    // Picks the header answer ("Y", "R" or "N") and the stored size; default "Y" and 0.
    std::function<std::pair<char, long long>(const ReceivedFile&)> decide;
    bool keepAliveBeforeFirstSubBlockAnswer = false;

    std::vector<ReceivedFile> files;
    std::vector<SubBlockSeen> subBlocks;
    std::vector<std::string> checks;
    int serverKeepAlives = 0;

private:
    std::string Answer(const std::string& record);
    std::string AnswerHeader(const std::string& record);
    std::string AnswerCheck(const std::string& record);

    RawClient m_line;
    int m_customerNo;
    std::map<long long, std::string> m_block;
    long long m_blockNo = 0;
    int m_finished = 0;
    bool m_keepAliveSent = false;
};

}  // namespace peertest
