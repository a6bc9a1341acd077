#pragma once
// The block assembly of a reception thread: the sub-blocks of the current block are collected in
// memory, in any order and with repeats; a block check is answered with the sub-blocks still
// missing, and a complete block goes to the file in one write. Only complete blocks reach the disk.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

class FileStore;
struct ReceiveFile;

inline constexpr int MAX_SUB_BLOCKS = 101;
inline constexpr int SUB_BLOCK_BYTES = 100000;
// Room for a whole block: sub-block k from byte (k - 1) * SUB_BLOCK_BYTES.
inline constexpr std::size_t BLOCK_BUFFER_SIZE = std::size_t{MAX_SUB_BLOCKS} * SUB_BLOCK_BYTES;

// Why a sub-block was not stored; nothing outside the tables is ever touched.
enum class SubBlockFault {
    None,
    Number,  // the sub-block number is outside 1..101
    Size,    // more than 100000 data bytes, or a record too short to hold the numbers
};

struct BlockCheckResult {
    enum class Outcome {
        Written,      // "Y": nothing was missing and the block is in the file
        Missing,      // "N" with the count and the list of missing sub-blocks
        OtherBlock,   // "N" and the block number held: the check names another block
        BadCount,     // "N" alone: the sub-block count is outside 0..101
        NoFile,       // "N": the block was complete but no file is open; it is dropped
        WriteFailed,  // "N": the write failed (error); the file holds its complete blocks only
        PastSize,     // "N": the block would take the file past its announced size; not written
    };
    Outcome outcome;
    int answerLength;
    int heldBlock;            // block number of the last sub-block received
    int checkedBlock;         // block number the check names
    int subBlocks;            // sub-block count the check names
    int error;                // errno of a failed write
    std::int64_t blockBytes;  // bytes of the complete block
};

class BlockAssembly {
public:
    // buffer: BLOCK_BUFFER_SIZE bytes, the owner's. No byte of it is read before a sub-block has
    // been copied over it, so it need not be zeroed, and may be used again by a new assembly.
    explicit BlockAssembly(std::span<char> buffer);

    // Forgets the sub-blocks; keeps the current block number and the block bytes.
    void Clear();
    // A sub-block record (2002, 2005) of `received` bytes; its block becomes the current one.
    SubBlockFault StoreSubBlock(const char* record, int received);
    // A block check record (2003): writes the answer body from offset 16 of `answer` and returns
    // its length with the outcome. A complete block is appended to `file` when it is open and it
    // stays within the announced size, through the store, and counted in its written.
    BlockCheckResult BlockCheck(const char* record, char* answer, ReceiveFile& file,
                                FileStore& store);

    // Bytes of the current block: a running total while sub-blocks arrive (repeats count twice),
    // recounted by the block check.
    std::int64_t BlockBytes() const { return m_nBlockBytes; }
    void ResetBlockBytes() { m_nBlockBytes = 0; }

private:
    BlockCheckResult AppendBlock(int subBlocks, char* answer, ReceiveFile& file, FileStore& store);

    std::span<char> m_buffer;
    std::array<bool, MAX_SUB_BLOCKS> m_bReceived{};
    std::array<int, MAX_SUB_BLOCKS> m_nSizes{};
    int m_nCurrentBlock = 0;
    std::int64_t m_nBlockBytes = 0;
    // The block as written, rebuilt at each write.
    std::array<std::span<const char>, MAX_SUB_BLOCKS> m_pieces{};
};
