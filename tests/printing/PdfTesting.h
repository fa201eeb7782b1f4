// A report's PDF read back as text, for checking what a layout printed.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace kvz::testing {

// The output of a command, or none when the tool is not installed.
inline std::optional<std::string> RunTool(const std::string& tool, const std::string& arguments) {
    if (std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) != 0) return std::nullopt;
    std::string out;
    FILE* pipe = ::popen((tool + " " + arguments + " 2>&1").c_str(), "r");
    if (!pipe) return std::nullopt;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

inline std::string ShellQuoted(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

// A PDF's text on one line, runs of blanks made one; empty when pdftotext is missing.
inline std::string PdfText(const std::filesystem::path& pdf) {
    const auto text = RunTool("pdftotext", "-layout " + ShellQuoted(pdf) + " -");
    if (!text) return {};
    std::string flat;
    for (char c : *text)
        if (!((c == ' ' || c == '\n') && (flat.empty() || flat.back() == ' '))) flat += c == '\n' ? ' ' : c;
    return flat;
}

} // namespace kvz::testing
