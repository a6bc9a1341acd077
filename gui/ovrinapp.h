#pragma once
// The application object: start-up of the frame and its form, then the message loop.
class COvrinApp {
public:
    int Run(int argc, char** argv);
};
