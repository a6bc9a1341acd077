#pragma once
// The file server's side of one connection: greeting, every file of the catalogue, then an idle
// line with keep-alives until the client or the service ends it.
#include "peers/peerline.h"
#include "peers/servicejournal.h"
#include "peers/servicesettings.h"

namespace znlservice {

void ServeFileConnection(PeerLine& line, const ServiceSettings& settings, ServiceJournal& journal,
                         int connection);

}  // namespace znlservice
