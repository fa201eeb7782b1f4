// Runs a Python script of an independent reader or writer of a file format as a child process.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

struct OracleResult {
    int exitCode = -1;
    std::string output; // standard output and standard error
};

// The script gets the arguments after its name; an exit code of 77 says a module it needs is
// missing.
inline OracleResult RunPython(const std::filesystem::path& folder, const std::string& script, const std::string& args = {}) {
    const std::filesystem::path file = folder / "oracle.py";
    std::ofstream(file) << "import sys\ntry:\n    import dbf, dbfread, openpyxl\nexcept ImportError:\n    sys.exit(77)\n" << script;
    OracleResult result;
    const std::string command = "cd '" + folder.string() + "' && /usr/bin/python3 oracle.py " + args + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

#define RUN_ORACLE(result, folder, ...)                                                           \
    const OracleResult result = RunPython(folder, __VA_ARGS__);                                   \
    if (result.exitCode == 77 || !std::filesystem::exists("/usr/bin/python3"))                   \
        GTEST_SKIP() << "the oracle's Python modules are not installed";                          \
    ASSERT_EQ(result.exitCode, 0) << result.output
