// SPDX-License-Identifier: GPL-3.0-or-later
#include "automation/FolderWatch.h"

#include "automation/FolderWatchPlatform.h"

#include <chrono>

namespace nimbora {

FolderWatch::FolderWatch(std::string folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder))
{
}

FolderWatch::~FolderWatch() = default;

bool FolderWatch::start()
{
    stop();
    FolderWatchPlatform::Sink sink;
    sink.file_written = [this](const std::string& name) { written(name); };
    sink.events_lost = [this] { emit events_lost(); };
    platform_ = FolderWatchPlatform::open(folder_, this, std::move(sink), error_);
    return platform_ != nullptr;
}

void FolderWatch::stop()
{
    platform_.reset();
}

void FolderWatch::written(const std::string& name)
{
    using namespace std::chrono;
    const auto now_ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    if (!repeats_.should_post(name, now_ms.count())) return;
    emit file_changed(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

}  // namespace nimbora
