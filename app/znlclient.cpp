#include "headless/headlessapp.h"

int main(int argc, char** argv) {
    return headless::Run(argc, argv);
}
