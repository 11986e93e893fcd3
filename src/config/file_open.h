// SPDX-License-Identifier: GPL-3.0-or-later
// file_open.h: open a file, telling the owner when it cannot be done.
#pragma once

#include "config/handles.h"
#include "jobs/Owner.h"

#include <string>
#include <string_view>

namespace nimbora {

// Opens `path` with the stdio `mode` ("r", "w", "a", "rb", "wb", "ab"; text modes are opened
// as binary, our text files carry their own CR LF; "a" appends). On failure tells the owner,
// caption "Error": "%s: Error opening file" for a mode beginning with 'r', else
// "%s: Error creating file". A null owner fails silently. Returns null on failure.
FilePtr file_open(Owner* owner, const std::string& path, const char* mode);

// Writes `bytes` to `path` through a temporary file renamed over it, so a failed write leaves
// the previous file whole. On failure tells the owner "%s: Error creating file" for `path`.
bool replace_file(Owner* owner, const std::string& path, std::string_view bytes);

}  // namespace nimbora
