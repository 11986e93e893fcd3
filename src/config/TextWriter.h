// TextWriter.h: writes our 8-bit text files, every line ending in CR LF on every platform.
#pragma once

#include "config/handles.h"

#include <cstdarg>
#include <string_view>

namespace nimbora {

inline constexpr const char* kDegree = "\xB0";  // the degree sign, Windows-1252 byte 0xB0

class TextWriter {
public:
    explicit TextWriter(FilePtr file) : file_(std::move(file)) {}

    // Text without a line end, written with its exact length (trailing blanks included).
    void raw(std::string_view text);
    [[gnu::format(printf, 2, 3)]] void rawf(const char* format, ...);
    // Formats whose text is chosen at run time (the unit-dependent number formats).
    [[gnu::format(printf, 2, 0)]] void vrawf(const char* format, std::va_list args);

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
