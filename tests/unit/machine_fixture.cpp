#include "machine_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/host/machine.h"

std::string LogEntry(const std::string& message, const std::string& text) {
    std::string out;
    for (char c : message + text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out + "\r\r\n";
}

void MachineTest::SetUp() {
    char templ[] = "/tmp/facet-unit-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
    MakeDir("drive_c");
    SetMachineIni("[Machine]\r\nExecutable=C:\\Facet\\Facet.exe\r\n");
}

void MachineTest::TearDown() {
    host::CloseMachine();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void MachineTest::SetMachineIni(const std::string& text) { PutFile("machine.ini", text); }

void MachineTest::Open() {
    std::string error;
    ASSERT_TRUE(host::OpenMachine(dir_, &error)) << error;
}

void MachineTest::MakeDir(const std::string& rel) { std::filesystem::create_directories(Path(rel)); }

void MachineTest::PutFile(const std::string& rel, const std::string& bytes) {
    std::filesystem::path p(Path(rel));
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string MachineTest::ReadFile(const std::string& rel) const {
    std::ifstream in(Path(rel), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool MachineTest::Exists(const std::string& rel) const {
    struct stat st;
    return stat(Path(rel).c_str(), &st) == 0;
}

size_t MachineTest::Entries(const std::string& rel) const {
    size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Path(rel))) {
        (void)entry;
        ++n;
    }
    return n;
}
