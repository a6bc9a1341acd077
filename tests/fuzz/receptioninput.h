#pragma once
// The input of the reception fuzz targets, and the checks every store shares: records one after the
// other, each a selector byte, two bytes of payload length (little-endian) and the payload. A
// selector with its high bit set takes the payload as the raw body of a record; otherwise the
// payload describes a record of one of the file server's codes in a few bytes, so that files are
// accepted, blocks completed and files ended early on.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

class ReceptionLogic;

void Require(bool condition);

// One block buffer for every input: allocating 10 MB for each would cost more than the input.
// The assembly never reads a byte of it that the same input has not written.
std::span<char> SharedBlockBuffer();

// Opens a file first, so that short inputs already reach the blocks, then handles every record of
// the input until one ends the connection. Every answer must be a whole record that repeats the
// code it answers, unless the connection ends unanswered; checkOpenFile runs after every record.
void DriveReception(ReceptionLogic& logic, const std::uint8_t* data, std::size_t size,
                    const std::function<void()>& checkOpenFile);
