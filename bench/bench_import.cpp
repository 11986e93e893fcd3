// SPDX-License-Identifier: GPL-3.0-or-later
// Import throughput in archive records per second: load_db against the text-statement design
// (one printf'd INSERT per record run by sqlite3_exec) and against a bare prepared-insert loop
// fed with precomputed values, first into an empty table, then again into a table that
// already holds every record. Two data sets: the real archive of one month, when this machine
// has it, and ten years of synthetic 5-minute months.
#include "config/handles.h"
#include "config/install.h"
#include "config/schema.h"
#include "config/stations.h"
#include "import/Wlk.h"
#include "import/insert.h"
#include "import/load_db.h"
#include "import/synthetic.h"
#include "jobs/ReportJob.h"

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace nimbora;

namespace {

constexpr int kFirstYear = 2001, kYears = 10;

// Scratch space for the whole run: template database, synthetic months, stations.
class Scratch {
public:
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "nimbora-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("bench_import: mkdtemp");
            std::exit(1);
        }
        root_ = pattern;
        if (!install_product(nullptr, folder("template")).ok) {
            std::fprintf(stderr, "bench_import: cannot install the template database\n");
            std::exit(1);
        }
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    // `name` under the scratch folder, made when missing, with a final separator.
    std::string folder(const std::string& name) const
    {
        fs::create_directories(root_ / name);
        return (root_ / name).string() + "/";
    }
    // A station folder holding a fresh copy of the empty template database.
    std::string fresh_station(const std::string& name) const
    {
        const std::string station = folder(name);
        fs::copy_file(root_ / "template" / kDbFile, station + kDbFile,
                      fs::copy_options::overwrite_existing);
        return station;
    }

private:
    fs::path root_;
};

Scratch& scratch()
{
    static Scratch s;
    return s;
}

struct DataSet {
    std::string name;
    std::string wlk_folder;          // InitPathWLK
    std::vector<std::string> files;  // ReportJob::Files: bare names, or paths
    std::string absent;              // why the set cannot run; empty when it can
    long records = 0;                // type-1 records offered by one import
};

// The path of `file` as carica_wlk reads it.
std::string wlk_path(const DataSet& set, const std::string& file)
{
    return file.find('/') == std::string::npos ? set.wlk_folder + file : file;
}

// Calls `fn(weather)` for every record an import of `file` offers, with Year and Month from
// the file name as carica_wlk sets them. False when the file cannot be read as a WLK file.
template <class Fn>
bool walk_file(const DataSet& set, const std::string& file, Fn&& fn)
{
    const auto month = wlk_file_month(bare_name(file));
    FilePtr f(std::fopen(wlk_path(set, file).c_str(), "rb"));
    if (!month || !f) return false;
    WlkReader reader(f.get());
    if (!reader.read_header() || !reader.identified()) return false;
    WeatherData w;
    std::snprintf(w.Year, sizeof w.Year, "%s", month->Year.c_str());
    std::snprintf(w.Month, sizeof w.Month, "%s", month->Month.c_str());
    while (reader.next_weather(w)) fn(w);
    return true;
}

template <class Fn>
bool walk(const DataSet& set, Fn&& fn)
{
    for (const std::string& file : set.files)
        if (!walk_file(set, file, fn)) return false;
    return true;
}

long count_records(const DataSet& set)
{
    long n = 0;
    walk(set, [&](const WeatherData&) { ++n; });
    return n;
}

const DataSet& real_set()
{
    static const DataSet set = [] {
        DataSet s;
        s.name = "real";
        const std::string path = std::string(NIMBORA_FIXTURES) + "/2012-02.wlk";
        if (!fs::is_regular_file(path)) {
            s.absent = path + " is absent: the real archive is not on this machine";
            return s;
        }
        s.files = {path};
        s.records = count_records(s);
        return s;
    }();
    return set;
}

const DataSet& synthetic_set()
{
    static const DataSet set = [] {
        DataSet s;
        s.name = "synthetic";
        s.wlk_folder = scratch().folder("wlk");
        for (int year = kFirstYear; year < kFirstYear + kYears; ++year)
            for (int month = 1; month <= 12; ++month) {
                char name[32];
                std::snprintf(name, sizeof name, "%04d-%02d.wlk", year, month);
                if (!write_synthetic_month(s.wlk_folder + name, year, month, 5, 20120201)) {
                    s.absent = "cannot write " + s.wlk_folder + name;
                    return s;
                }
                s.files.push_back(name);
            }
        s.records = count_records(s);
        return s;
    }();
    return set;
}

using SetFn = const DataSet& (*)();

// The data set, or nothing after marking the benchmark skipped.
const DataSet* ready(benchmark::State& state, SetFn get)
{
    const DataSet& set = get();
    if (!set.absent.empty()) {
        state.SkipWithError(set.absent.c_str());
        return nullptr;
    }
    return &set;
}

// Untimed: writes out what earlier runs left in the page cache. A re-import leaves hundreds of
// megabytes of "error.txt" behind, whose write-back would otherwise land in the next run.
void settle(benchmark::State& state)
{
    state.PauseTiming();
    sync();
    state.ResumeTiming();
}

void report(benchmark::State& state, const DataSet& set)
{
    state.SetItemsProcessed(state.iterations() * set.records);
    state.counters["records"] = static_cast<double>(set.records);
}

// ---- load_db ------------------------------------------------------------------------------

ImportResult run_load_db(const DataSet& set, const std::string& station)
{
    ReportJob job;
    job.settings.InitPathDB = station;
    job.settings.InitPathWLK = set.wlk_folder;
    job.Files = set.files;
    return load_db(job);
}

bool check(benchmark::State& state, const ImportResult& r, long loaded, long skipped)
{
    if (r.code == 0 && r.RecTot - r.RecErr == loaded && r.RecErr == skipped) return true;
    state.SkipWithError("the import did not load what the data set holds");
    return false;
}

// A station whose database already holds `set`, made once per data set; empty, after
// marking the benchmark skipped, when the import failed.
std::string loaded_station(benchmark::State& state, const DataSet& set)
{
    static std::vector<std::pair<std::string, std::string>> made;
    for (const auto& [name, station] : made)
        if (name == set.name) return station;
    const std::string station = scratch().fresh_station("loaded-" + set.name);
    if (run_load_db(set, station).code != 0) {
        state.SkipWithError("the first import of the data set failed");
        return {};
    }
    made.emplace_back(set.name, station);
    return station;
}

void BM_LoadDb(benchmark::State& state, SetFn get)
{
    const DataSet* set = ready(state, get);
    if (!set) return;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string station = scratch().fresh_station("run");
        sync();
        state.ResumeTiming();
        if (!check(state, run_load_db(*set, station), set->records, 0)) break;
    }
    report(state, *set);
}

void BM_LoadDbAgain(benchmark::State& state, SetFn get)
{
    const DataSet* set = ready(state, get);
    if (!set) return;
    const std::string station = loaded_station(state, *set);
    if (station.empty()) return;
    for (auto _ : state) {
        settle(state);
        if (!check(state, run_load_db(*set, station), 0, set->records)) break;
    }
    report(state, *set);
}

// ---- the text-statement design ------------------------------------------------------------

// One INSERT printed piece by piece, each piece with the design's own format.
class Statement {
public:
    [[gnu::format(printf, 2, 3)]] void add(const char* format, ...)
    {
        std::va_list args;
        va_start(args, format);
        put(format, args);
        va_end(args);
    }
    // The piece, or ",NULL" when the field holds its missing-value marker.
    [[gnu::format(printf, 3, 4)]] void piece(bool missing, const char* format, ...)
    {
        if (missing) {
            add(",NULL");
            return;
        }
        std::va_list args;
        va_start(args, format);
        put(format, args);
        va_end(args);
    }
    void clear() { end_ = 0; }
    const char* c_str() const { return text_; }

private:
    [[gnu::format(printf, 2, 0)]] void put(const char* format, std::va_list args)
    {
        const int n = std::vsnprintf(text_ + end_, sizeof text_ - end_, format, args);
        if (n > 0) end_ = std::min(end_ + static_cast<std::size_t>(n), sizeof text_ - 1);
    }

    char text_[1024] = {};
    std::size_t end_ = 0;
};

void print_statement(Statement& s, const WeatherData& w)
{
    const auto gone = [](float v) { return v == kMissing; };
    const auto gone_byte = [](float v) { return v == kMissingByteValue; };
    s.clear();
    s.add("INSERT INTO datimeteo values('%4s','%2s','%2s','%5s'", w.Year, w.Month, w.Day, w.Time);
    s.piece(gone(w.Temperature), ",%7.3f", static_cast<double>(w.Temperature));
    s.piece(gone(w.HiTemp), ",%7.3f", static_cast<double>(w.HiTemp));
    s.piece(gone(w.LowTemp), ",%7.3f", static_cast<double>(w.LowTemp));
    s.piece(w.Humidity == kMissingInt, ",%3d", w.Humidity);
    s.piece(gone(w.Dewpoint), ",%7.3f", static_cast<double>(w.Dewpoint));
    s.piece(gone(w.Pressure), ",%8.3f", static_cast<double>(w.Pressure));
    s.piece(gone(w.Windspeed), ",%7.3f", static_cast<double>(w.Windspeed));
    s.piece(gone(w.Gustspeed), ",%7.3f", static_cast<double>(w.Gustspeed));
    s.add(",'%3s'", w.Direction);
    s.add(",%7.3f", static_cast<double>(w.Rain));
    s.add(",%8.3f", static_cast<double>(w.RainRate));
    s.piece(gone(w.HeatIndex), ",%7.3f", static_cast<double>(w.HeatIndex));
    s.piece(gone(w.Windchill), ",%7.3f", static_cast<double>(w.Windchill));
    s.piece(w.SolarRad == kMissingInt, ",%5d", w.SolarRad);
    s.piece(w.HiSolarRad == kMissingInt, ",%5d", w.HiSolarRad);
    s.piece(gone_byte(w.ET), ",%7.3f", static_cast<double>(w.ET));
    s.piece(gone_byte(w.UV), ",%4.1f", static_cast<double>(w.UV));
    s.piece(gone_byte(w.HiUV), ",%4.1f", static_cast<double>(w.HiUV));
    s.add(",%6.2f)", static_cast<double>(w.WindRun));
}

// Whether the printed statements are those "error.txt" shows for the same records, every one
// of them: the baseline must run the very statements the design ran. Each set is walked once.
bool baseline_prints_as_documented(const DataSet& set)
{
    static std::vector<std::string> checked;
    if (std::find(checked.begin(), checked.end(), set.name) != checked.end()) return true;
    Statement s;
    bool same = true;
    walk(set, [&](const WeatherData& w) {
        print_statement(s, w);
        same = same && insert_text("datimeteo", w) == s.c_str();
    });
    if (same) checked.push_back(set.name);
    return same;
}

struct TextImport {
    long read = 0, skipped = 0;
    bool ok = false;
};

// The whole job as the text-statement design ran it: logs, one transaction, one sqlite3_exec
// per record, each failure written with its statement to "error.txt", then ANALYZE.
TextImport run_text_design(const DataSet& set, const std::string& station)
{
    TextImport r;
    FilePtr fde(std::fopen((station + "error.txt").c_str(), "w"));
    FilePtr fdl(std::fopen((station + "log.txt").c_str(), "w"));
    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2((station + kDbFile).c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteHandle db(raw);
    if (!fde || !fdl || opened != SQLITE_OK) return r;
    sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr);
    Statement s;
    for (const std::string& file : set.files) {
        long read = 0, skipped = 0;
        const std::string bare(bare_name(file));
        const bool walked = walk_file(set, file, [&](const WeatherData& w) {
            print_statement(s, w);
            const int rc = sqlite3_exec(db.get(), s.c_str(), nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK) {
                if (skipped == 0) std::fprintf(fde.get(), "  %s\n", bare.c_str());
                std::fprintf(fde.get(), "%d: %s - %s\n", rc, sqlite3_errmsg(db.get()), s.c_str());
                ++skipped;
            }
            ++read;
        });
        if (!walked) return r;
        std::fprintf(fdl.get(), "  %s\n", bare.c_str());
        std::fprintf(fdl.get(), "N\xB0 records read:    %5ld\n", read);
        std::fprintf(fdl.get(), "N\xB0 records loaded:  %5ld\n", read - skipped);
        std::fprintf(fdl.get(), "N\xB0 records skipped: %5ld\n\n\n", skipped);
        if (skipped > 0) std::fputc('\n', fde.get());
        r.read += read;
        r.skipped += skipped;
    }
    r.ok = sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_exec(db.get(), "ANALYZE", nullptr, nullptr, nullptr);
    return r;
}

bool check(benchmark::State& state, const TextImport& r, long loaded, long skipped)
{
    if (r.ok && r.read - r.skipped == loaded && r.skipped == skipped) return true;
    state.SkipWithError("the text-statement import did not load what the data set holds");
    return false;
}

void BM_TextStatements(benchmark::State& state, SetFn get)
{
    const DataSet* set = ready(state, get);
    if (!set) return;
    if (!baseline_prints_as_documented(*set)) {
        state.SkipWithError("the baseline's statements differ from insert_text");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        const std::string station = scratch().fresh_station("run");
        sync();
        state.ResumeTiming();
        if (!check(state, run_text_design(*set, station), set->records, 0)) break;
    }
    report(state, *set);
}

void BM_TextStatementsAgain(benchmark::State& state, SetFn get)
{
    const DataSet* set = ready(state, get);
    if (!set) return;
    if (!baseline_prints_as_documented(*set)) {
        state.SkipWithError("the baseline's statements differ from insert_text");
        return;
    }
    const std::string station = loaded_station(state, *set);
    if (station.empty()) return;
    for (auto _ : state) {
        settle(state);
        if (!check(state, run_text_design(*set, station), 0, set->records)) break;
    }
    report(state, *set);
}

// ---- the bare prepared-insert loop --------------------------------------------------------

// One row converted, rounded and padded beforehand: only binding and stepping remain.
struct Row {
    static constexpr int kTexts = 5, kReals = 15, kInts = 3;
    static constexpr int kTextColumn[kTexts] = {1, 2, 3, 4, 13};
    static constexpr int kRealColumn[kReals] = {5,  6,  7,  9,  10, 11, 12, 14,
                                                15, 16, 17, 20, 21, 22, 23};
    static constexpr int kIntColumn[kInts] = {8, 18, 19};

    char text[kTexts][10];
    unsigned char text_size[kTexts];
    double real[kReals];
    int integer[kInts];
    std::uint32_t null_columns = 0;  // bit c set: column c binds NULL
};

void set_text(Row& row, int i, const char* text, std::size_t width)
{
    const std::size_t n = std::strlen(text), pad = n < width ? width - n : 0;
    std::memset(row.text[i], ' ', pad);
    std::memcpy(row.text[i] + pad, text, n);
    row.text_size[i] = static_cast<unsigned char>(pad + n);
}

Row precompute(const WeatherData& w)
{
    Row row{};
    set_text(row, 0, w.Year, 4);
    set_text(row, 1, w.Month, 2);
    set_text(row, 2, w.Day, 2);
    set_text(row, 3, w.Time, 5);
    set_text(row, 4, w.Direction, 3);
    struct Real {
        float value;
        int decimals;
        bool missing;
    };
    const Real reals[Row::kReals] = {
        {w.Temperature, 3, w.Temperature == kMissing},
        {w.HiTemp, 3, w.HiTemp == kMissing},
        {w.LowTemp, 3, w.LowTemp == kMissing},
        {w.Dewpoint, 3, w.Dewpoint == kMissing},
        {w.Pressure, 3, w.Pressure == kMissing},
        {w.Windspeed, 3, w.Windspeed == kMissing},
        {w.Gustspeed, 3, w.Gustspeed == kMissing},
        {w.Rain, 3, false},
        {w.RainRate, 3, false},
        {w.HeatIndex, 3, w.HeatIndex == kMissing},
        {w.Windchill, 3, w.Windchill == kMissing},
        {w.ET, 3, w.ET == kMissingByteValue},
        {w.UV, 1, w.UV == kMissingByteValue},
        {w.HiUV, 1, w.HiUV == kMissingByteValue},
        {w.WindRun, 2, false},
    };
    for (int i = 0; i < Row::kReals; ++i) {
        row.real[i] = round_as_printed(reals[i].value, reals[i].decimals);
        if (reals[i].missing) row.null_columns |= 1u << Row::kRealColumn[i];
    }
    const int ints[Row::kInts] = {w.Humidity, w.SolarRad, w.HiSolarRad};
    for (int i = 0; i < Row::kInts; ++i) {
        row.integer[i] = ints[i];
        if (ints[i] == kMissingInt) row.null_columns |= 1u << Row::kIntColumn[i];
    }
    return row;
}

void bind_row(sqlite3_stmt* st, const Row& row)
{
    for (int i = 0; i < Row::kTexts; ++i)
        sqlite3_bind_text(st, Row::kTextColumn[i], row.text[i], row.text_size[i], SQLITE_STATIC);
    for (int i = 0; i < Row::kReals; ++i) {
        const int c = Row::kRealColumn[i];
        if (row.null_columns & (1u << c))
            sqlite3_bind_null(st, c);
        else
            sqlite3_bind_double(st, c, row.real[i]);
    }
    for (int i = 0; i < Row::kInts; ++i) {
        const int c = Row::kIntColumn[i];
        if (row.null_columns & (1u << c))
            sqlite3_bind_null(st, c);
        else
            sqlite3_bind_int(st, c, row.integer[i]);
    }
}

// Only the bind and step of every row is timed; opening, BEGIN and COMMIT are not.
void BM_PreparedLoop(benchmark::State& state, SetFn get)
{
    const DataSet* set = ready(state, get);
    if (!set) return;
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(set->records));
    walk(*set, [&](const WeatherData& w) { rows.push_back(precompute(w)); });
    for (auto _ : state) {
        state.PauseTiming();
        const std::string station = scratch().fresh_station("run");
        sqlite3* raw = nullptr;
        sqlite3_open_v2((station + kDbFile).c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        SqliteHandle db(raw);
        sqlite3_stmt* prepared = nullptr;
        sqlite3_prepare_v2(db.get(), insert_sql("datimeteo").c_str(), -1, &prepared, nullptr);
        StmtHandle insert(prepared);
        sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr);
        long failed = 0;
        sync();
        state.ResumeTiming();
        for (const Row& row : rows) {
            bind_row(insert.get(), row);
            if (sqlite3_step(insert.get()) != SQLITE_DONE) ++failed;
            sqlite3_reset(insert.get());
        }
        state.PauseTiming();
        insert.reset();
        const bool committed =
            sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        state.ResumeTiming();
        if (failed != 0 || !committed) {
            state.SkipWithError("the prepared loop did not store every row");
            break;
        }
    }
    report(state, *set);
}

void register_all()
{
    struct Case {
        const char* name;
        void (*fn)(benchmark::State&, SetFn);
    };
    const Case cases[] = {
        {"Import/LoadDb", BM_LoadDb},
        {"Import/TextStatements", BM_TextStatements},
        {"Import/PreparedLoop", BM_PreparedLoop},
        {"Reimport/LoadDb", BM_LoadDbAgain},
        {"Reimport/TextStatements", BM_TextStatementsAgain},
    };
    struct Set {
        const char* name;
        SetFn get;
        int iterations;
    };
    // About 42 thousand records against about 1.05 million: ten passes, or one. The
    // script repeats each case and reports the median.
    const Set sets[] = {{"real", real_set, 10}, {"synthetic", synthetic_set, 1}};
    for (const Set& set : sets)
        for (const Case& c : cases) {
            const std::string name = std::string(c.name) + "/" + set.name;
            benchmark::RegisterBenchmark(name.c_str(), c.fn, set.get)
                ->Iterations(set.iterations)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
        }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    register_all();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
