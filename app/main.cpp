#include "app/program.h"

#include <csignal>

int main(int argc, char** argv) {
    std::signal(SIGXFSZ, SIG_IGN);  // a save past a file-size limit fails (EFBIG), never the program
    return RunProgram(argc, argv);
}
