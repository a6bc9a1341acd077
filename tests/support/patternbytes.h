#pragma once
// Test bytes for any suite, the protocol's included: plain C++.
#include <cstddef>
#include <string>

namespace testsupport {

// Bytes that differ from position to position, so a misplaced piece shows.
std::string PatternBytes(std::size_t count, unsigned seed);

}  // namespace testsupport
