// jollix-batch: run palette and picture steps on a picture without windows.
#include <iostream>
#include <string>
#include <vector>

#include "app/batch/batch.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return jollix::batch::runBatch(args, std::cin, std::cout, std::cerr);
}
