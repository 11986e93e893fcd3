// SPDX-License-Identifier: GPL-3.0-or-later
// TextWriter.h: writes our 8-bit text files as text mode always has: every "\n" becomes CR LF,
// on every platform. Without a file it writes nowhere (a report's scratch output).
#pragma once

#include "config/handles.h"

#include <cstdarg>
#include <string>
#include <string_view>

namespace nimbora {

inline constexpr const char* kDegree = "\xB0";  // the degree sign, Windows-1252 byte 0xB0

class TextWriter {
public:
    TextWriter() = default;
    explicit TextWriter(FilePtr file) : file_(std::move(file)) {}

    // The text with its exact length (trailing blanks included), each "\n" as CR LF.
    void raw(std::string_view text);
    [[gnu::format(printf, 2, 3)]] void rawf(const char* format, ...);
    // One number in a format chosen at run time (the unit-dependent number formats).
    void value(const std::string& spec, double v);

    // The text followed by CR LF.
    void line(std::string_view text = {});
    [[gnu::format(printf, 2, 3)]] void linef(const char* format, ...);

    // Closes the file; false when any write or the final flush failed.
    [[nodiscard]] bool close();

    bool ok() const { return ok_; }

private:
    FilePtr file_;
    bool ok_ = true;
};

}  // namespace nimbora
