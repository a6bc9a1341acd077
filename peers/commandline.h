#pragma once
// znl-service's command line.
#include <string>
#include <vector>

#include "peers/servicesettings.h"

namespace znlservice {

struct CommandLine {
    ServiceSettings settings;
    bool help = false;
    std::string error;  // empty when the line was understood
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
const char* UsageText();

}  // namespace znlservice
