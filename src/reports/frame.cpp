// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/frame.h"

#include "config/format.h"
#include "reports/layout.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace nimbora {
namespace {

// Opens a new file next to `path` that no other writer uses: the name, a random tag, ".tmp"
// ("March_2009.txt.1f03c2aa.tmp"). Null when none could be created.
FilePtr create_temp(const std::string& path, std::string& temp)
{
    std::random_device random;
    for (int attempt = 0; attempt < 8; ++attempt) {
        temp = strf("%s.%08x.tmp", path.c_str(), static_cast<unsigned>(random()));
        FilePtr file(std::fopen(temp.c_str(), "wbx"));
        if (file || errno != EEXIST) return file;
    }
    return nullptr;
}

void tell_not_created(Owner* owner, const std::string& path)
{
    tell(owner, "Error", strf("%s: Error creating file", path.c_str()), Icon::error);
}

}  // namespace

ReportFrame::ReportFrame(ReportJob& job, std::string caption, FrameProgress progress)
    : job_(job), job_end_(job), caption_(std::move(caption)), progress_(progress)
{
    Owner* to = owner();
    to->busy(true);
    if (progress_ == FrameProgress::status) to->status("Please wait...");
}

ReportFrame::~ReportFrame()
{
    end();
}

bool ReportFrame::open()
{
    db_ = report_db(job_);
    if (!db_) return false;
    if (job_.Db) return true;
    own_transaction_ = db_->exec(owner(), "BEGIN");
    failed_ |= !own_transaction_;
    return own_transaction_;
}

std::optional<Rows> ReportFrame::has_records(const std::string& sql,
                                             std::initializer_list<std::string_view> params,
                                             const std::string& no_data, HeldBy by)
{
    Db::Result r = db_->query(owner(), sql.c_str(), params);
    if (!r.ok) {
        failed_ = true;
        return std::nullopt;
    }
    const bool none =
        by == HeldBy::count ? r.rows.empty() || inum(r.rows[0][0]) == 0 : r.rows.empty();
    if (none) {
        tell(owner(), caption_, no_data, Icon::error);
        return std::nullopt;
    }
    return std::move(r.rows);
}

TextWriter* ReportFrame::create(const std::string& name, const std::optional<std::string>& title)
{
    auto file = std::make_unique<File>();
    file->path = job_.settings.InitPathRep + name;
    // A report name the keeper linked elsewhere keeps its link: the file it points to is
    // replaced, as writing through the link always did.
    std::error_code ec;
    file->target = std::filesystem::is_symlink(file->path, ec)
                       ? std::filesystem::weakly_canonical(file->path, ec).string()
                       : file->path;
    if (ec) file->target = file->path;
    FilePtr handle = create_temp(file->target, file->temp);
    if (!handle) {
        tell_not_created(owner(), file->path);
        return nullptr;
    }
    file->out = TextWriter(std::move(handle));
    if (title) write_header(file->out, job_.settings, *title);
    files_.push_back(std::move(file));
    return &files_.back()->out;
}

void ReportFrame::remove_when_written(const std::string& name)
{
    remove_.push_back(job_.settings.InitPathRep + name);
}

int ReportFrame::end(const std::string& done)
{
    if (ended_) return result_;
    ended_ = true;
    Owner* to = owner();
    if (own_transaction_ && !failed_ && job_end_.held() == 0) failed_ |= !db_->exec(to, "COMMIT");
    db_.reset();  // an open transaction is rolled back with it
    for (const auto& f : files_) {
        if (f->out.close()) continue;
        tell_not_created(to, f->path);
        failed_ = true;
    }

    bool written = !files_.empty() && !failed_ && job_end_.held() == 0;
    std::error_code ec;
    for (const auto& f : files_) {
        if (!written) break;
        std::filesystem::rename(f->temp, f->target, ec);
        if (ec) {
            tell_not_created(to, f->path);
            written = false;
        } else {
            f->temp.clear();
        }
    }
    for (const auto& f : files_)
        if (!f->temp.empty()) std::filesystem::remove(f->temp, ec);
    if (written)
        for (const std::string& path : remove_) std::filesystem::remove(path, ec);

    to->progress_reset();
    to->busy(false);
    if (progress_ == FrameProgress::status) to->status("");
    if (written && !done.empty()) tell(to, caption_, done, Icon::information);
    result_ = written ? 0 : 1;
    return job_end_.finish(result_, written ? job_end_.held() : 1);
}

}  // namespace nimbora
