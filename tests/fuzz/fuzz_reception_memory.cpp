// The reception logic as in fuzz_reception, against a file store in memory: no disk in the way, so
// many more inputs per second reach the logic. An open file must hold exactly what was counted.
#include <cstdint>

#include "memoryfilestore.h"
#include "protocol/receptionlogic.h"
#include "receptioninput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    MemoryFileStore store;
    ReceptionLogic logic(0, store, SharedBlockBuffer());
    DriveReception(logic, data, size, [&] {
        if (!logic.File().isOpen) return;
        const std::string* bytes = store.OpenBytes();
        Require(bytes != nullptr);
        Require(static_cast<std::int64_t>(bytes->size()) ==
                logic.File().storedSize + logic.File().written);
    });
    return 0;
}
