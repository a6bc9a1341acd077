#pragma once
// znl-client: the command line, the one-receiver check, then the session and its headless face
// until a termination signal or an end the face decides.
namespace headless {
int Run(int argc, char** argv);
}
