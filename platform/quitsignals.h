#pragma once
// Termination signals (SIGTERM, SIGINT, SIGHUP) end the message loop like the quit message, so
// the form's shutdown runs; a broken connection never raises SIGPIPE.
namespace platform {
void InstallProcessSignalHandling();
}
