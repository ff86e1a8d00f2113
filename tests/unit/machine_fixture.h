// A fixture that builds a small machine image in a temporary folder, opens it for the
// host stand-ins, and reads back what a run left in it.
#pragma once

#include <gtest/gtest.h>

#include <string>

// The bytes of one log entry: the message and the text with each line feed as CR LF,
// then CR CR LF. The second text defaults to "\n", a line logged alone.
std::string LogEntry(const std::string& message, const std::string& text = "\n");

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // machine.ini text; call before Open().
    void SetMachineIni(const std::string& text);
    // Opens the image for the stand-ins; fails the test when it cannot.
    void Open();

    // Paths below are relative to the image folder, with '/' ("drive_c/FACTORY/Util").
    void MakeDir(const std::string& rel);
    void PutFile(const std::string& rel, const std::string& bytes);
    std::string ReadFile(const std::string& rel) const;
    bool Exists(const std::string& rel) const;
    // How many files and folders a folder holds.
    size_t Entries(const std::string& rel) const;
    std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }

    std::string dir_;
};
