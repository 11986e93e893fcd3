// SPDX-License-Identifier: GPL-3.0-or-later
// site.h: the station's static web site: a style sheet, a page per month and per year held, an
// index, and the month's charts as SVG files, written from the station database. Every figure
// is the text reports' own: the day table is the monthly report's day rows, the month table
// the annual report's month rows, cut into cells.
#pragma once

#include "config/Db.h"
#include "config/Settings.h"
#include "jobs/Owner.h"
#include "jobs/ReportJob.h"

#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

// What a run did: files written (new or changed) and files left as they were.
struct SiteCounts {
    int written = 0, kept = 0;
};

// Writes the site of the station `s` from `db` into `folder` (made when missing). A file whose
// bytes would not change is not touched (its time stamp stays); a changed one is written
// beside its place and renamed over it. False, the owner told, when a statement failed or a
// file could not be written; the files written until then stay.
bool write_site(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                SiteCounts& counts);

// Writes only what the latest data can change: the style sheet, the copied text reports, the
// index, the pages, charts and CSV of the latest two months held (the one before the latest
// may have had its last records imported after it ended) and of their years, and the records
// page. Every upload with web pages on
// calls it before sending the site. Same contract as write_site.
bool write_current_pages(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                         SiteCounts& counts);

// The month whose WLK file the pages read in place of the database's records of that month, as
// the current month's report does: the local clock's month. A month without a file (or with an
// empty one) reads from the database.
struct LiveMonthAt {
    int year = 0, month = 0;
};
LiveMonthAt live_month_now();

// write_site and write_current_pages with the current month given.
bool write_site(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                SiteCounts& counts, const LiveMonthAt& live);
// `records` false leaves the records page out (the benchmarks time it on its own).
bool write_current_pages(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                         SiteCounts& counts, const LiveMonthAt& live, bool records = true);
// The records page alone; a past year's section comes from the cache beside the database
// ("NimboWebRecords.cache") while that year's records and the units stay as they were.
bool write_records_page(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                        SiteCounts& counts, const LiveMonthAt& live);

// The whole site of job.settings into default_site_folder(job.DocPath), as the desktop's
// Report > Web Pages... runs it: progress a step per month page, then the records page and
// the index; the count of files written in the status line. Takes over job.busy. Returns 0
// when written, 1 when the database could not be opened or a page not written (told).
int WebPages(ReportJob& job);

// The site's folder when none is given: the "web" subfolder of the station folder `doc_path`
// (which ends in '/').
std::string default_site_folder(const std::string& doc_path);

// `text` (UTF-8) with &, <, >, " and ' as character references.
std::string html_escape(std::string_view text);
// A relative link target: every byte but the unreserved ones and '/' as %XX.
std::string percent_encode(std::string_view path);

// A table of the text reports cut into cells: the group and column headings, and the cells
// of each row (the row's label first); an empty cell is a blank in the report.
struct TextTable {
    std::vector<std::pair<std::string, int>> groups;  // heading and columns spanned
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

// Cuts the two heading lines and the rows of a report's column block (as the report prints
// them, the row label `label` characters wide, then each column that is on at its layout's
// width) into cells: a figure belongs to the column whose heading's centre is nearest to its
// own, within its column group.
TextTable cut_table(const Settings& s, bool monthly, const std::string& head1,
                    const std::string& head2, const std::vector<std::string>& lines);

// Writes `bytes` to `path` unless the file holds exactly them already; `written` says which.
// False when it could not be written (the old file stays).
bool write_if_changed(const std::string& path, const std::string& bytes, bool& written);

}  // namespace nimbora
