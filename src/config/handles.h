// SPDX-License-Identifier: GPL-3.0-or-later
// handles.h: the only place that calls the C libraries' release functions.
#pragma once

#include <sqlite3.h>

#include <cstdio>
#include <memory>

namespace nimbora {

struct SqliteClose {
    void operator()(sqlite3* p) const noexcept { sqlite3_close_v2(p); }
};
struct StmtFinalize {
    void operator()(sqlite3_stmt* p) const noexcept { sqlite3_finalize(p); }
};
struct SqliteFree {
    void operator()(void* p) const noexcept { sqlite3_free(p); }
};
struct FileClose {
    void operator()(std::FILE* p) const noexcept { std::fclose(p); }
};

using SqliteHandle = std::unique_ptr<sqlite3, SqliteClose>;
using StmtHandle = std::unique_ptr<sqlite3_stmt, StmtFinalize>;
using SqliteText = std::unique_ptr<char, SqliteFree>;
using FilePtr = std::unique_ptr<std::FILE, FileClose>;

// Closes the file now and reports whether everything written reached it: a full disk
// often shows only at the last flush.
inline bool close_file(FilePtr& file)
{
    std::FILE* f = file.release();
    return f && std::fclose(f) == 0;
}

}  // namespace nimbora
