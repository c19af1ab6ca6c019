// pf_fakechild: a stand-in child process for tests (also a fake text printer, as it accepts "/p FILE").
//   --exit N        ends with exit code N (default 0)
//   --sleep-ms N    waits N milliseconds first
//   --write FILE    writes FILE at the end: the contents of the /p file, or "done" without one
//   --args-to FILE  writes the arguments it was given to FILE, each followed by a NUL
//   /p FILE         the file to "print"
// Any other argument is ignored, so it can stand where a real program's command line is built.

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    int exitCode = 0;
    int sleepMs = 0;
    std::string write;
    std::string argsTo;
    std::string printed;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--exit") {
            exitCode = std::atoi(value.c_str());
        } else if (option == "--sleep-ms") {
            sleepMs = std::atoi(value.c_str());
        } else if (option == "--write") {
            write = value;
        } else if (option == "--args-to") {
            argsTo = value;
        } else if (option == "/p") {
            printed = value;
        }
    }
    if (!argsTo.empty()) {
        std::ofstream out(argsTo, std::ios::binary);
        for (int i = 1; i < argc; ++i) {
            out << argv[i] << '\0';
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    if (!write.empty()) {
        std::ostringstream contents;
        if (printed.empty()) {
            contents << "done";
        } else {
            contents << std::ifstream(printed, std::ios::binary).rdbuf();
        }
        std::ofstream(write, std::ios::binary) << contents.str();
    }
    return exitCode;
}
