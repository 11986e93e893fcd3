// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/golden.h"

#include "support/files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace nimbora::test {
namespace {

// The lines of `text`, each without its LF (a CR stays); the text after the last LF is a line
// only when it is not empty.
std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1)
        lines.push_back(text.substr(start, lf - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string shown_line_at(const std::vector<std::string>& lines, std::size_t index)
{
    return index < lines.size() ? shown_line(lines[index]) : std::string("(end of file)");
}

}  // namespace

std::string golden(const std::string& name)
{
    return read_file(std::filesystem::path(NIMBORA_GOLDEN) / name);
}

std::string shown_line(const std::string& line)
{
    std::string out = "[";
    for (unsigned char c : line) {
        if (c == '\r') {
            out += "<CR>";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "]";
}

testing::AssertionResult matches_golden(const std::string& name, const std::string& actual)
{
    const std::string expected = golden(name);
    if (expected.empty())
        return testing::AssertionFailure() << "golden file " << name << " is missing or empty";
    if (actual == expected) return testing::AssertionSuccess();

    const auto mismatch =
        std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    const std::size_t at = static_cast<std::size_t>(mismatch.first - expected.begin());
    const std::size_t before = at == 0 ? std::string::npos : expected.rfind('\n', at - 1);
    const std::size_t line = static_cast<std::size_t>(
        std::count(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    const std::size_t column = before == std::string::npos ? at + 1 : at - before;

    return testing::AssertionFailure()
           << name << ": first difference at line " << line + 1 << ", column " << column
           << " (sizes: golden " << expected.size() << ", written " << actual.size()
           << ")\n  golden:  " << shown_line_at(split_lines(expected), line)
           << "\n  written: " << shown_line_at(split_lines(actual), line);
}

}  // namespace nimbora::test
