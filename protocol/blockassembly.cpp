#include "protocol/blockassembly.h"

#include <cstring>

#include "protocol/filestore.h"
#include "protocol/wirerecord.h"

namespace {

constexpr int kBlockNoOffset = 16;
constexpr int kSubBlockOffset = 19;  // sub-block number, or the check's sub-block count
constexpr int kNumberWidth = 3;
constexpr int kDataOffset = 22;
constexpr int kHeldBlockOffset = 17;
constexpr int kMissingCountOffset = 20;
constexpr int kMissingListOffset = 23;
constexpr int kListEntryWidth = 4;
constexpr int kFlagOffset = 16;
constexpr int kFlagOnlyLength = 17;

}  // namespace

BlockAssembly::BlockAssembly(std::span<char> buffer) : m_buffer(buffer) {}

void BlockAssembly::Clear() {
    m_bReceived.fill(false);
    m_nSizes.fill(0);
}

SubBlockFault BlockAssembly::StoreSubBlock(const char* record, int received) {
    const int block = GetIntField(record, kBlockNoOffset, kNumberWidth);
    const int k = GetIntField(record, kSubBlockOffset, kNumberWidth);
    const int bytes = received - kDataOffset;
    if (k < 1 || k > MAX_SUB_BLOCKS) return SubBlockFault::Number;
    if (bytes < 0 || bytes > SUB_BLOCK_BYTES) return SubBlockFault::Size;
    m_nCurrentBlock = block;
    m_bReceived[static_cast<std::size_t>(k - 1)] = true;
    m_nSizes[static_cast<std::size_t>(k - 1)] = bytes;
    std::memcpy(m_buffer.data() + static_cast<std::ptrdiff_t>(k - 1) * SUB_BLOCK_BYTES,
                record + kDataOffset, static_cast<std::size_t>(bytes));
    m_nBlockBytes += bytes;
    return SubBlockFault::None;
}

BlockCheckResult BlockAssembly::BlockCheck(const char* record, char* answer, ReceiveFile& file,
                                           FileStore& store) {
    const int block = GetIntField(record, kBlockNoOffset, kNumberWidth);
    const int count = GetIntField(record, kSubBlockOffset, kNumberWidth);
    BlockCheckResult result{
        BlockCheckResult::Outcome::Missing, 0, m_nCurrentBlock, block, count, 0, 0};
    answer[kFlagOffset] = 'N';
    if (block != m_nCurrentBlock) {
        PutField(answer, kHeldBlockOffset, kNumberWidth, "%03d", m_nCurrentBlock);
        result.outcome = BlockCheckResult::Outcome::OtherBlock;
        result.answerLength = kMissingCountOffset;
        return result;
    }
    if (count < 0 || count > MAX_SUB_BLOCKS) {
        result.outcome = BlockCheckResult::Outcome::BadCount;
        result.answerLength = kFlagOnlyLength;
        return result;
    }
    PutBytes(answer, kHeldBlockOffset, kNumberWidth, "000");
    m_nBlockBytes = 0;
    int missing = 0;
    for (int k = 1; k <= count; ++k) {
        const auto slot = static_cast<std::size_t>(k - 1);
        if (m_bReceived[slot]) {
            m_nBlockBytes += m_nSizes[slot];
        } else {
            PutField(answer, kMissingListOffset + missing * kListEntryWidth, kListEntryWidth,
                     "%3d,", k);
            ++missing;
        }
    }
    PutField(answer, kMissingCountOffset, kNumberWidth, "%03d", missing);
    result.answerLength = kMissingListOffset + missing * kListEntryWidth;
    if (missing > 0) return result;
    return AppendBlock(count, answer, file, store);
}

BlockCheckResult BlockAssembly::AppendBlock(int subBlocks, char* answer, ReceiveFile& file,
                                            FileStore& store) {
    BlockCheckResult result{BlockCheckResult::Outcome::Written,
                            kMissingListOffset,
                            m_nCurrentBlock,
                            m_nCurrentBlock,
                            subBlocks,
                            0,
                            0};
    if (!file.isOpen) {
        result.outcome = BlockCheckResult::Outcome::NoFile;
    } else {
        // Each sub-block's own bytes, in order: a short sub-block before the last leaves no gap
        // of stale memory in the file. The regular layout is one piece.
        std::size_t pieces = 0;
        std::int64_t total = 0;
        for (int k = 1; k <= subBlocks; ++k) {
            const auto slot = static_cast<std::size_t>(k - 1);
            const char* start =
                m_buffer.data() + static_cast<std::ptrdiff_t>(slot) * SUB_BLOCK_BYTES;
            const auto bytes = static_cast<std::size_t>(m_nSizes[slot]);
            if (bytes == 0) continue;
            total += m_nSizes[slot];
            std::span<const char>* last = pieces > 0 ? &m_pieces[pieces - 1] : nullptr;
            if (last && last->data() + last->size() == start) {
                *last = std::span(last->data(), last->size() + bytes);
            } else {
                m_pieces[pieces++] = std::span(start, bytes);
            }
        }
        result.blockBytes = total;
        // Nothing is written past the size the header announced.
        if (total > file.fileSize - file.storedSize - file.written) {
            result.outcome = BlockCheckResult::Outcome::PastSize;
        } else {
            result.error = store.Append(std::span(m_pieces.data(), pieces));
            if (result.error != 0) {
                result.outcome = BlockCheckResult::Outcome::WriteFailed;
            } else {
                file.written += total;
            }
        }
    }
    if (result.outcome == BlockCheckResult::Outcome::Written) answer[kFlagOffset] = 'Y';
    m_nBlockBytes = 0;
    Clear();
    return result;
}
