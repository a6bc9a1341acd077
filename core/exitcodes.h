#pragma once
// How the programs end, for scripts and the service manager (znl-client lists them in its help).
enum ExitCode : int {
    EXIT_ENDED = 0,             // ended on request (a termination signal, "Exit")
    EXIT_USAGE = 64,            // the command line is wrong
    EXIT_SETTINGS = 65,         // the settings file cannot be used, or holds no account
    EXIT_REFUSED = 66,          // the login server refused the login
    EXIT_UNREACHABLE = 67,      // no login server answered and no account is stored to wait with
    EXIT_ALREADY_RUNNING = 68,  // another receiver runs for the same settings folder
    EXIT_UPDATER = 69,          // ended so that the updater can replace the program
};
