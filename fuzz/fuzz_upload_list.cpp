// SPDX-License-Identifier: GPL-3.0-or-later
// fuzz_upload_list.cpp: plays arbitrary edits on the Internet Settings dialog's upload list
// ("Add", "Remove", "Clear", a "config set FileN") and walks the list through the settings
// and the upload watch. Traps on a read outside a text or the list (the sanitizers catch
// those), a list of more than ten files, the same file twice (letter case aside), a gap that
// hides the files behind it, a file that does not come back from "nimbrep.conf", or more
// watched folders than the watch holds.
// Input: a sequence of operations, each a byte then its argument up to the next '\xff'.
#include "config/read_conf.h"
#include "config/settings_edit.h"
#include "upload/InternetFunc.h"
#include "upload/schedule.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace nimbora;

void check(bool ok)
{
    if (!ok) __builtin_trap();
}

// The same path letter case aside; compared in place, as this runs for every pair after
// every edit.
bool same_ignoring_case(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

void check_list(const std::vector<std::string>& files)
{
    check(files.size() <= static_cast<std::size_t>(kFileListSize));
    for (std::size_t i = 0; i < files.size(); ++i) {
        check(!files[i].empty());
        for (std::size_t j = i + 1; j < files.size(); ++j)
            check(!same_ignoring_case(files[i], files[j]));
    }
}

// The list as Settings hold it: entries up to the first empty one, none after it.
void check_closed_up(const Settings& s)
{
    const auto first_empty = std::find(s.FileList.begin(), s.FileList.end(), std::string());
    check(
        std::all_of(first_empty, s.FileList.end(), [](const std::string& f) { return f.empty(); }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> files;
    Settings s;
    LocalTime now;
    now.year = 2026;
    now.month = 12;
    while (!in.empty()) {
        const unsigned char op = static_cast<unsigned char>(in[0]);
        in.remove_prefix(1);
        const std::size_t end = in.find('\xff');
        const std::string_view arg = in.substr(0, end);
        in.remove_prefix(end == std::string_view::npos ? in.size() : end + 1);
        switch (op % 5) {
        case 0: {  // "Add": the file picker gives a non-empty path
            if (arg.empty()) break;
            const std::size_t before = files.size();
            const bool listed = in_upload_list(files, arg);
            const AddFile r = add_upload_file(files, arg);
            if (before >= static_cast<std::size_t>(kFileListSize))
                check(r == AddFile::full);
            else if (listed)
                check(r == AddFile::duplicate && files.size() == before);
            else
                check(r == AddFile::added && files.size() == before + 1 && files.back() == arg);
            break;
        }
        case 1: {  // "Remove" of the selected rows, any of them out of the list
            std::vector<int> rows;
            for (unsigned char c : arg) rows.push_back(static_cast<signed char>(c));
            const std::size_t before = files.size();
            remove_upload_files(files, rows);
            check(files.size() <= before);
            break;
        }
        case 2:  // "Clear"
            files.clear();
            check(cleared_counter() == "0/10");
            break;
        case 3: {  // OK: the list goes into the settings and comes back when the dialog opens
            InternetForm f = internet_form(s);
            f.files = files;
            s = apply_internet_form(s, f);
            check_closed_up(s);
            check(internet_form(s).files == files);
            check(file_counter(files.size()).size() == 5);
            break;
        }
        case 4: {  // "config set FileN VALUE" (already checked), N from the argument's length
            const std::string key = "File" + std::to_string(arg.size() % kFileListSize + 1);
            apply_setting(s, key, arg);
            check_closed_up(s);
            break;
        }
        }
        // Each check follows the edits that can change what it checks: the dialog's list
        // changes only by "Add", "Remove" and "Clear", the settings only by OK and "config set".
        if (op % 5 <= 2) {
            check_list(files);
        } else {
            const std::vector<std::string> folders = watch_folders(s);
            check(folders.size() <= kMaxWatched);
            for (const std::string& f : s.FileList) (void)change_counts(s, file_name_part(f), now);
        }
    }

    // A list the settings file can hold reads back from "nimbrep.conf" entry for entry.
    if (std::all_of(s.FileList.begin(), s.FileList.end(), conf_can_hold)) {
        Settings back;
        read_conf_text(conf_text(s), kConfEntries, "/station/", back);
        check(back.FileList == s.FileList);
    }
    return 0;
}
