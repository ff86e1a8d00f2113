#include <cstdio>
#include <fstream>
#include <sstream>

#include "commands.h"
#include "platform/host/machine.h"

namespace cli {

bool OpenImage(const std::string& dir) {
    std::string error;
    if (host::OpenMachine(dir, &error)) return true;
    fprintf(stderr, "facet-sim: cannot read machine image: %s\n", error.c_str());
    return false;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fprintf(stderr, "facet-sim: cannot read %s\n", path.c_str());
        return false;
    }
    std::ostringstream buf;
    buf << in.rdbuf();
    *bytes = buf.str();
    return true;
}

}  // namespace cli
