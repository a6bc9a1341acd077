#pragma once
// The file server's side of one file: header, blocks of sub-blocks with their checks and resends,
// file end. It checks every answer of the client against the record layouts and notes each
// deviation in the journal.
#include <cstdint>
#include <set>
#include <string>

#include "peers/filecatalog.h"
#include "peers/peerline.h"
#include "peers/servicejournal.h"
#include "peers/servicerecords.h"
#include "peers/servicesettings.h"

namespace znlservice {

inline constexpr std::int64_t kSubBlockBytes = 100000;
inline constexpr int kMaxSubBlocks = 101;

class FilePusher {
public:
    FilePusher(PeerLine& line, const ServiceSettings& settings, ServiceJournal& journal,
               int connection);

    // False when the connection has to end: the client went away, a fault switch dropped it, or
    // the client's answers made going on pointless.
    bool Push(const ServedFile& file, int customerNo);

private:
    bool Exchange(const std::string& record, int code, std::string& answer);
    void ExpectLength(const std::string& answer, std::size_t length);
    bool SendBlock(const FileSource& source, std::int64_t offset, std::int64_t bytes, int blockNo);
    bool SendSubBlock(const FileSource& source, std::int64_t blockOffset, std::int64_t blockBytes,
                      int blockNo, int subBlock);
    bool SendSubBlocks(const FileSource& source, std::int64_t blockOffset, std::int64_t blockBytes,
                       int blockNo, const std::set<int>& subBlocks);
    bool SendFirstPass(const FileSource& source, std::int64_t blockOffset, std::int64_t blockBytes,
                       int blockNo, const std::set<int>& omitted);
    void Problem(const std::string& text);

    PeerLine& m_line;
    const ServiceSettings& m_settings;
    ServiceJournal& m_journal;
    int m_connection;
    int m_subBlocksAnswered = 0;
    OutRecord m_subBlock;
};

}  // namespace znlservice
