#include "app/MainSplash.h"

int main(int argc, char** argv) {
    return MainSplash::Run(argc, argv);
}
