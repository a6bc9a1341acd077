// Arbitrary records from a file server through the reception logic (file header, sub-blocks, block
// checks, file end, keep-alive, unknown codes) against the real file store in a temporary save
// folder. An open file must hold exactly what was counted, and nothing may ever appear outside the
// save folder.
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/posixfilestore.h"
#include "protocol/receptionlogic.h"
#include "receptioninput.h"

namespace fs = std::filesystem;

namespace {

struct Folders {
    fs::path scratch;
    fs::path save;
    fs::path outside;
};

const Folders& Scratch() {
    static const Folders folders = [] {
        std::string pattern = (fs::temp_directory_path() / "fuzz-reception-XXXXXX").string();
        const fs::path scratch = ::mkdtemp(pattern.data());
        Folders made{scratch, scratch / "save", scratch / "outside"};
        fs::create_directory(made.save);
        fs::create_directory(made.outside);
        std::ofstream(made.outside / "keep") << "keep";
        return made;
    }();
    return folders;
}

void RemoveScratch() {
    std::error_code ignored;
    fs::remove_all(Scratch().scratch, ignored);
}

// Only the two folders are in the scratch folder, and the one outside is as it was.
void CheckNothingOutside(const Folders& folders) {
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(folders.scratch)) {
        Require(entry.path() == folders.save || entry.path() == folders.outside);
        ++entries;
    }
    Require(entries == 2);
    int outsideEntries = 0;
    for (const auto& entry : fs::directory_iterator(folders.outside)) {
        Require(entry.path().filename() == "keep" && fs::file_size(entry.path()) == 4);
        ++outsideEntries;
    }
    Require(outsideEntries == 1);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Scratch();
    std::atexit(RemoveScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const Folders& folders = Scratch();
    {
        SaveFolderGuard saveFolder;
        saveFolder.Set(folders.save.string());
        PosixFileStore store(saveFolder);
        ReceptionLogic logic(0, store, SharedBlockBuffer());
        DriveReception(logic, data, size, [&] {
            if (!logic.File().isOpen) return;
            struct stat status {};
            Require(::fstat(store.Info().file.Get(), &status) == 0 && S_ISREG(status.st_mode));
            Require(status.st_size == logic.File().storedSize + logic.File().written);
        });
    }
    CheckNothingOutside(folders);
    for (const auto& entry : fs::directory_iterator(folders.save)) fs::remove_all(entry.path());
    return 0;
}
