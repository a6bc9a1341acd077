#include "gui/ovrinapp.h"

int main(int argc, char** argv) {
    return COvrinApp().Run(argc, argv);
}
