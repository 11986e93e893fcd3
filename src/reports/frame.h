// SPDX-License-Identifier: GPL-3.0-or-later
// frame.h: what every report job does around its own rows: the busy flag and the messages
// (held until the flag is released), the connection and its read transaction, the "No data"
// check, the report files written under temporary names, the header block, the progress
// shown, the final message, and one rule for failures.
//
// A report's body only reads its records and prints them:
//
//     ReportFrame frame(job, "Report");
//     if (!frame.open() || !frame.has_records(count_sql, {year}, "No data for " + year))
//         return frame.end();
//     TextWriter* out = frame.create(name, title);  // the header block is written
//     if (!out) return frame.end();
//     ... queries on frame.db() told through frame.owner(), failures into frame.failed()
//     return frame.end(name + " created successfully! ");
//
// The one failure rule: when any statement failed (BEGIN and COMMIT included), a file could
// not be written, or anything was told through owner(), the report is not announced, its
// temporary files are removed (a previous report of the same name stays as it was), only
// the first message told is shown, and the job returns 1.
#pragma once

#include "config/Db.h"
#include "config/Settings.h"
#include "config/TextWriter.h"
#include "jobs/JobEnd.h"
#include "jobs/ReportJob.h"

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

// How a report shows that it runs: "Please wait..." in the status bar (cleared at the end),
// or only the progress bar its body moves. Both put the progress bar back to 0 at the end.
enum class FrameProgress { status, bar };

// How the "No data" check reads its query: a count of records, or a list of what there is.
enum class HeldBy { count, rows };

class ReportFrame {
public:
    // Starts the job: takes over job.busy, greys the menus (when it holds the claim), shows
    // the busy cursor and the progress. `caption` is that of "No data" and of the completion
    // message.
    ReportFrame(ReportJob& job, std::string caption,
                FrameProgress progress = FrameProgress::status);
    ~ReportFrame();  // end() when not called: a report left halfway fails
    ReportFrame(const ReportFrame&) = delete;
    ReportFrame& operator=(const ReportFrame&) = delete;

    // The owner the body tells; its messages wait for end(). Null when the job has none.
    Owner* owner() { return job_end_.owner(); }
    const Settings& settings() const { return job_.settings; }

    // The connection: job.Db when the caller lent one (left open, its transaction the
    // caller's), else the station's database in one read transaction, so the check and the
    // rows read the same records. False when it could not be opened or BEGIN failed.
    bool open();
    Db& db() { return *db_; }

    // The "No data" check on the open connection. With HeldBy::count the query's first cell
    // counts the records; with HeldBy::rows the rows are the records. When there are none,
    // tells `no_data` (error icon) and gives nothing; a failed query fails the report and
    // gives nothing too.
    std::optional<Rows> has_records(const std::string& sql,
                                    std::initializer_list<std::string_view> params,
                                    const std::string& no_data, HeldBy by = HeldBy::count);

    // Creates InitPathRep + `name` under a temporary name in the same folder and, with a
    // `title`, writes the header block. The first file is the report; more (the wind detail)
    // go with it. Null, after telling "%s: Error creating file" with InitPathRep + `name`,
    // when it cannot be created.
    TextWriter* create(const std::string& name, const std::optional<std::string>& title = {});

    // A file of the report folder removed when the report is written (a detail file not
    // asked for this time must not pass for this report's).
    void remove_when_written(const std::string& name);

    // Set by the body (or the helpers it passes it to) when a statement failed; told already.
    bool& failed() { return failed_; }

    // Ends the job. COMMIT (own connection), every file closed; then, when nothing failed,
    // each temporary file renamed over its name and `done` announced (caption, information
    // icon), else every temporary file removed and the first message told shown. The
    // connection is closed, the progress ended, the claim released and the menus given back
    // before any message. 0 when the report was written, else 1. Only the first call acts.
    int end(const std::string& done = {});

private:
    struct File {
        std::string path;    // the name told
        std::string target;  // the file replaced: `path`, or where a link at `path` points
        std::string temp;    // beside `target` until renamed over it
        TextWriter out;
    };

    ReportJob& job_;
    JobEnd job_end_;
    std::string caption_;
    FrameProgress progress_;
    std::optional<Db> db_;
    bool own_transaction_ = false;
    std::vector<std::unique_ptr<File>> files_;
    std::vector<std::string> remove_;
    bool failed_ = false;
    bool ended_ = false;
    int result_ = 1;
};

}  // namespace nimbora
