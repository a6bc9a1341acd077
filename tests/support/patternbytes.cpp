#include "support/patternbytes.h"

namespace testsupport {

std::string PatternBytes(std::size_t count, unsigned seed) {
    std::string bytes(count, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

}  // namespace testsupport
