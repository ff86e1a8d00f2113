#include "fuzz_image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/host/machine.h"

namespace fuzz_image {

const std::string& Dir() {
    static const std::string dir = [] {
        // In memory where the machine has it: the stand-ins sync every file they write,
        // which on a disk would cost more than the code under test.
        char pattern[] = "/dev/shm/facet-fuzz.XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            memcpy(pattern, "/tmp/facet-fuzz.XXXXXX", sizeof("/tmp/facet-fuzz.XXXXXX"));
            if (mkdtemp(pattern) == nullptr) abort();
        }
        std::filesystem::create_directories(std::string(pattern) + "/drive_c");
        std::ofstream(std::string(pattern) + "/machine.ini") << "";
        // The folder goes when the process ends normally; a crash leaves it for a look.
        static std::string kept = pattern;
        atexit([] { std::filesystem::remove_all(kept); });
        return std::string(pattern);
    }();
    return dir;
}

void Put(const std::string& rel, const std::string& bytes) {
    std::string path = Dir() + "/" + rel;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Get(const std::string& rel) {
    std::ifstream in(Dir() + "/" + rel, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Open() {
    std::string error;
    if (!host::OpenMachine(Dir(), &error)) {
        fprintf(stderr, "fuzz image: %s\n", error.c_str());
        abort();
    }
}

}  // namespace fuzz_image
