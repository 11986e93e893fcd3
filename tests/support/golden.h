// SPDX-License-Identifier: GPL-3.0-or-later
// golden.h: byte-for-byte comparison of a written file with a golden file of tests/data/golden.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace nimbora::test {

// The exact bytes of golden file `name`; empty when it cannot be read.
std::string golden(const std::string& name);

// Success when `actual` equals golden file `name` byte for byte. Otherwise the message names
// the first line that differs (1-based) and shows both versions of it with CR, trailing blanks
// and bytes outside ASCII made visible.
testing::AssertionResult matches_golden(const std::string& name, const std::string& actual);

// A line shown for a failure message: between brackets, so trailing blanks show, with CR as
// "<CR>" and every byte outside printable ASCII as "\xNN".
std::string shown_line(const std::string& line);

}  // namespace nimbora::test
