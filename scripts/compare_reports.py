#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs every report kind with two nimbora-cli binaries on the same station databases and
compares the files they write, byte for byte. Called by scripts/compare-reports.sh, which
builds the binaries and the generator; see there for the usage.

Layout under --scratch:
  data/        the WLK files the generator writes (rewritten every run, it takes a second)
  base/        the stations, imported once with the OLD binary; sets/ holds a nimbrep.dat
               per settings set, written by OLD's "config set"
  OLD/, NEW/   each binary's own copy of every station and, under out/, the files it wrote:
               out/DATASET/SET/COMMAND/FILE, with COMMAND/.status holding the exit status,
               stdout and stderr (station paths replaced by <HOME>)
"""

import argparse
import datetime
import os
import re
import shutil
import subprocess
import sys
import threading

MONTHS = ["January", "February", "March", "April", "May", "June", "July", "August",
          "September", "October", "November", "December"]

# The unit and column sets the golden files use: report columns as ReportChk takes them
# (Temperature, Dew Point, Heat Index, Wind Chill, Humidity, Pressure, Solar Radiation, ET,
# UV, Rain Rate, Rain, Wind, Wind Run, N. Samples, Temperature Range), then UnitTemp,
# UnitRain, UnitWind, UnitBar.
GOLDEN_SETS = [
    ("temp-rain-wind", "100000000011000", "0", "0", "0", "0"),
    ("all-columns", "111111111111111", "0", "0", "0", "0"),
    ("all-columns-F-in-mph-inHg", "111111111111111", "1", "1", "1", "3"),
    ("temp-range-rain-wind-F-in-mph", "100000000011001", "1", "1", "1", "0"),
]
COLUMNS = ["temperature", "dew-point", "heat-index", "wind-chill", "humidity", "pressure",
           "solar-rad", "et", "uv", "rain-rate", "rain", "wind", "wind-run", "samples",
           "temp-range"]
# Each column alone, and the units no golden file shows, on the small data sets only.
SMALL_SETS = [("only-" + name, "".join("1" if i == c else "0" for i in range(15)),
               "0", "0", "0", "0") for c, name in enumerate(COLUMNS)] + [
    ("all-columns-knot-mmHg", "111111111111111", "0", "0", "2", "2"),
    ("all-columns-F-m-s-mb", "111111111111111", "1", "0", "3", "1"),
]
HEADER = [("Rep_Name", "Home"), ("Rep_City", "Town"), ("Rep_State", "XX"),
          ("Rep_Elev", "120 m"), ("Rep_Lat", "45.1 N"), ("Rep_Long", "9.2 E")]
# Files of a station folder that are inputs or import logs, never report output.
NOT_OUTPUT = {"NimboDB.s3db", "NimboDB.s3db-journal", "NimboDB.s3db-wal", "NimboDB.s3db-shm",
              "nimbrep.conf", "nimbrep.dat", "log.txt", "error.txt"}
STATUS = ".status"


def log(text):
    print(text, flush=True)


class Cli:
    """One nimbora-cli binary, run with a private HOME so no user setting is read or written."""

    def __init__(self, binary, scratch):
        self.binary = binary
        self.env = dict(os.environ)
        home = os.path.join(scratch, "user-home")
        os.makedirs(home, exist_ok=True)
        self.env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8")

    def run(self, args, check=True):
        p = subprocess.run([self.binary] + args, env=self.env, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE)
        if check and p.returncode != 0:
            sys.exit("failed: %s %s\n%s%s" % (self.binary, " ".join(args),
                                               p.stdout.decode(errors="replace"),
                                               p.stderr.decode(errors="replace")))
        return p


def month_list(first, last):
    """(year, month) from first to last inclusive."""
    y, m = first
    out = []
    while (y, m) <= last:
        out.append((y, m))
        y, m = (y + 1, 1) if m == 12 else (y, m + 1)
    return out


class Plan:
    """The report commands run on a station for one settings set."""

    def __init__(self, months, variants, ranges, current=(), years=None):
        self.months = months          # (year, month) of the monthly reports
        self.variants = variants      # flag lists of the monthly and current reports
        self.ranges = ranges          # (from, to) of the range report
        self.current = list(current)  # (label, WLK file) read as the current month's file
        # The annual reports and the statistics of one year.
        self.years = sorted({y for y, _ in months}) if years is None else years

    def commands(self):
        """(label, arguments, {file name in the station folder: source}) in run order."""
        out = []
        for y, m in self.months:
            for flags in self.variants:
                label = "monthly-%04d-%02d%s" % (y, m, "".join(f[1:] for f in flags))
                out.append((label, ["report", "monthly", "--year", str(y), "--month", str(m)]
                            + flags, {}))
        for y in self.years:
            out.append(("annual-%d" % y, ["report", "annual", "--year", str(y)], {}))
        out.append(("global", ["report", "global"], {}))
        for a, b in self.ranges:
            out.append(("range-%s-%s" % (a, b), ["report", "range", "--from", a, "--to", b], {}))
        out.append(("stats", ["report", "stats"], {}))
        for y in self.years:
            out.append(("stats-%d" % y, ["report", "stats", "--year", str(y)], {}))
            out.append(("stats-%d-monthly" % y,
                        ["report", "stats", "--year", str(y), "--monthly-detail"], {}))
        if self.current:
            now = datetime.datetime.now()
            name = "%04d-%02d.wlk" % (now.year, now.month)
            for label, source in self.current:
                for flags in self.variants:
                    out.append(("current-%s%s" % (label, "".join(f[1:] for f in flags)),
                                ["report", "current"] + flags, {name: source}))
        return out


class Dataset:
    """A station, the settings sets it is reported with and the plan of each set."""

    def __init__(self, name, plans):
        self.name = name
        self.plans = plans  # [(settings sets, Plan)]

    def cases(self):
        """(settings set name, commands) in run order."""
        return [(s[0], plan.commands()) for sets, plan in self.plans for s in sets]


ALL_VARIANTS = [[], ["--decades"], ["--wind-detail"], ["--decades", "--wind-detail"]]
# On the column-alone sets: every table the monthly report can write, in one run.
BRIEF_VARIANTS = [["--decades", "--wind-detail"]]


def make_base(old, gen, scratch, fixtures, quick):
    """Writes the data, imports it with OLD and returns the data sets."""
    data = os.path.join(scratch, "data")
    base = os.path.join(scratch, "base")
    for d in (data, base):
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
    home = os.path.join(base, "home")
    old.run(["--home", home, "setup"])

    def station(name, files):
        old.run(["--home", home, "station", "new", name])
        for key, value in HEADER:
            old.run(["--home", home, "--station", name, "config", "set", key, value])
        own_folders(os.path.join(home, name))
        if files:
            old.run(["--home", home, "--station", name, "import"] + files)

    def generate(*args):
        subprocess.run([gen] + list(args), check=True)

    def wlk(folder):
        return sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(".wlk"))

    datasets = []
    if not quick:
        log("data: ten years of 5-minute records (2010-2019)")
        generate("synthetic", os.path.join(data, "ten-years"), "2010", "10")
        station("ten-years", wlk(os.path.join(data, "ten-years")))
        datasets.append(Dataset("ten-years", [(GOLDEN_SETS, Plan(
            month_list((2010, 1), (2019, 12)), [[], ["--decades", "--wind-detail"]],
            [("2013-06-03", "2013-06-17"), ("2014-12-20", "2015-01-10"),
             ("2016-03-01", "2017-02-28"), ("2010-01-01", "2019-12-31")]))]))
    log("data: one year of 5-minute records (2010)")
    generate("synthetic", os.path.join(data, "one-year"), "2010", "1")
    station("one-year", wlk(os.path.join(data, "one-year")))
    datasets.append(Dataset("one-year", [(GOLDEN_SETS, Plan(
        month_list((2010, 1), (2010, 12)), ALL_VARIANTS,
        [("2010-02-10", "2010-02-20"), ("2010-03-15", "2010-09-15"),
         ("2010-01-01", "2010-12-31")]))]))

    fixture = os.path.join(fixtures, "2012-02.wlk")
    if os.path.isfile(fixture):
        log("data: the real month " + fixture)
        station("real-month", [fixture])
        first, last = span(old, home, "real-month")
        datasets.append(Dataset("real-month", [
            (GOLDEN_SETS, Plan([(2012, 2)], ALL_VARIANTS,
                               [(first, first), ("2012-02-10", "2012-02-20"), (first, last)],
                               current=[("real-month", fixture)])),
            (SMALL_SETS, Plan([(2012, 2)], BRIEF_VARIANTS, [(first, last)]))]))
    else:
        log("data: %s is absent: the real month is skipped" % fixture)

    log("data: hand-made edge cases (2019-12 to 2021-01)")
    edge = os.path.join(data, "edge")
    generate("edge", edge)
    station("edge-cases", wlk(edge))
    held = month_list((2019, 12), (2020, 6)) + [(2020, 12), (2021, 1)]
    datasets.append(Dataset("edge-cases", [
        (GOLDEN_SETS, Plan(
            month_list((2019, 12), (2021, 1)), ALL_VARIANTS,
            [("2020-02-03", "2020-02-20"), ("2020-05-31", "2020-05-31"),
             ("2019-12-20", "2020-01-10"), ("2020-12-25", "2021-01-05"),
             ("2020-07-01", "2020-11-30"), ("2020-01-01", "2020-12-30"),
             ("2019-12-01", "2021-01-31")],
            current=[("missing-days", os.path.join(edge, "2020-02.wlk")),
                     ("nulls", os.path.join(edge, "2020-03.wlk")),
                     ("equal-extremes", os.path.join(edge, "2020-04.wlk")),
                     ("day-31-only", os.path.join(edge, "2020-05.wlk"))])),
        (SMALL_SETS, Plan(held, BRIEF_VARIANTS,
                          [("2019-12-20", "2020-01-10"), ("2019-12-01", "2021-01-31")],
                          years=[2020]))]))

    log("data: the demo station")
    demo = os.path.join(base, "demo")
    old.run(["demo", "--folder", demo])
    demo_station = os.path.join(demo, "Nimbora", "Demo")
    # Its report files go (each binary writes its own); its folders become the station's own,
    # as a new station has them, so that the copies are self-contained.
    for f in os.listdir(demo_station):
        if f.endswith(".txt") and f not in NOT_OUTPUT:
            os.remove(os.path.join(demo_station, f))
    own_folders(demo_station)
    shutil.move(demo_station, os.path.join(home, "demo"))
    first, last = span(old, home, "demo")
    fy, fm = int(first[:4]), int(first[5:7])
    ly, lm = int(last[:4]), int(last[5:7])
    # Thirteen months to today: the current month's first days, and a December to January.
    year_end = ("%04d-12-20" % (ly - 1), min("%04d-01-10" % ly, last))
    datasets.append(Dataset("demo", [(GOLDEN_SETS, Plan(
        month_list((fy, fm), (ly, lm)), ALL_VARIANTS,
        [("%04d-%02d-01" % (ly, lm), last), year_end,
         ((datetime.date.fromisoformat(last) - datetime.timedelta(days=364)).isoformat(), last),
         (first, last)],
        current=[("demo", os.path.join(home, "demo", "%04d-%02d.wlk" % (ly, lm)))]))]))

    # A nimbrep.dat per settings set (ReportChk and the units live there; the header and the
    # folders in nimbrep.conf, which each station keeps).
    old.run(["--home", home, "station", "new", "settings"])
    for name, chk, temp, rain, wind, bar in GOLDEN_SETS + SMALL_SETS:
        for key, value in (("ReportChk", chk), ("UnitTemp", temp), ("UnitRain", rain),
                           ("UnitWind", wind), ("UnitBar", bar)):
            old.run(["--home", home, "--station", "settings", "config", "set", key, value])
        os.makedirs(os.path.join(base, "sets", name))
        shutil.copy(os.path.join(home, "settings", "nimbrep.dat"),
                    os.path.join(base, "sets", name, "nimbrep.dat"))
    return datasets


def own_folders(station):
    """Empties the station's folder settings, so that its reports, database and WLK files are
    those of the folder it is in ("config set" writes the folders out in full)."""
    conf = os.path.join(station, "nimbrep.conf")
    with open(conf, "rb") as f:
        text = f.read()
    text = re.sub(rb"<(path|pathDB|pathWLK)>[^<]*</", rb"<\1></", text)
    with open(conf, "wb") as f:
        f.write(text)


def span(cli, home, station):
    """The first and last day held, "YYYY-MM-DD", from "info"."""
    text = cli.run(["--home", home, "--station", station, "info"]).stdout.decode()
    found = re.findall(r"(\d\d)/(\d\d)/(\d{4}) \d\d:\d\d", text)
    (d1, m1, y1), (d2, m2, y2) = found[0], found[1]
    return "%s-%s-%s" % (y1, m1, d1), "%s-%s-%s" % (y2, m2, d2)


def run_side(cli, side, scratch, datasets, failures):
    """Every command of every data set and set with one binary, into SIDE/out."""
    try:
        root = os.path.join(scratch, side)
        shutil.rmtree(root, ignore_errors=True)
        home = os.path.join(root, "home")
        os.makedirs(home)
        base_home = os.path.join(scratch, "base", "home")
        for ds in datasets:
            folder = os.path.join(home, ds.name)
            shutil.copytree(os.path.join(base_home, ds.name), folder)
            for set_name, commands in ds.cases():
                shutil.copy(os.path.join(scratch, "base", "sets", set_name, "nimbrep.dat"),
                            os.path.join(folder, "nimbrep.dat"))
                snapshot = listing(folder)
                for label, args, extra in commands:
                    out = os.path.join(root, "out", ds.name, set_name, label)
                    os.makedirs(out)
                    for name, source in extra.items():
                        shutil.copy(source, os.path.join(folder, name))
                    p = cli.run(["--home", home, "--station", ds.name] + args, check=False)
                    for name in extra:
                        os.remove(os.path.join(folder, name))
                    for name, stat in listing(folder).items():
                        if name not in NOT_OUTPUT and snapshot.get(name) != stat:
                            shutil.move(os.path.join(folder, name), os.path.join(out, name))
                            snapshot.pop(name, None)
                    norm = lambda b: b.decode("latin-1").replace(home, "<HOME>")
                    with open(os.path.join(out, STATUS), "w", encoding="latin-1") as f:
                        f.write("exit %d\n--- stdout\n%s--- stderr\n%s" %
                                (p.returncode, norm(p.stdout), norm(p.stderr)))
            shutil.rmtree(folder)  # the ten-year database is large
    except BaseException as e:  # reported by the main thread
        failures.append("%s: %r" % (side, e))
        raise


def listing(folder):
    out = {}
    for e in os.scandir(folder):
        if e.is_file():
            st = e.stat()
            out[e.name] = (st.st_size, st.st_mtime_ns)
    return out


def first_difference(a, b):
    """The first line (1-based) where the two byte strings differ."""
    la, lb = a.split(b"\n"), b.split(b"\n")
    for i, (x, y) in enumerate(zip(la, lb)):
        if x != y:
            return i + 1
    return min(len(la), len(lb)) + 1


def compare(scratch, datasets):
    total = same = 0
    all_same = True
    for ds in datasets:
        for set_name, commands in ds.cases():
            roots = [os.path.join(scratch, side, "out", ds.name, set_name)
                     for side in ("OLD", "NEW")]
            problem = None
            files = failed = 0
            for label, _, _ in commands:
                dirs = [os.path.join(r, label) for r in roots]
                names = sorted(set(os.listdir(dirs[0])) | set(os.listdir(dirs[1])))
                for name in names:
                    paths = [os.path.join(d, name) for d in dirs]
                    present = [os.path.isfile(p) for p in paths]
                    if name != STATUS:
                        files += 1
                        total += 1
                    if not all(present):
                        where = "only %s wrote" % ("OLD" if present[0] else "NEW")
                        problem = problem or "%s %s/%s" % (where, label, name)
                        continue
                    a, b = (open(p, "rb").read() for p in paths)
                    if name == STATUS:
                        if a.startswith(b"exit ") and not a.startswith(b"exit 0"):
                            failed += 1
                        if a != b:
                            problem = problem or "%s: exit status or messages differ (%s line %d)" % (
                                label, os.path.join(dirs[1], name), first_difference(a, b))
                    elif a == b:
                        same += 1
                    else:
                        problem = problem or "%s/%s line %d" % (label, name, first_difference(a, b))
            case = "%s / %s" % (ds.name, set_name)
            note = "%d files" % files + (", %d commands failed alike" % failed if failed else "")
            if not files:
                problem = "no report file written"
            if problem:
                all_same = False
                log("DIFFERENT  %-48s %s (first: %s)" % (case, note, problem))
            else:
                log("identical  %-48s %s" % (case, note))
    log("%d of %d report files identical" % (same, total))
    return all_same and same == total


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--old", required=True, help="the OLD nimbora-cli")
    ap.add_argument("--new", required=True, help="the NEW nimbora-cli")
    ap.add_argument("--generator", required=True, help="make_report_cases")
    ap.add_argument("--scratch", required=True)
    ap.add_argument("--fixtures", required=True, help="folder of the real 2012-02.wlk")
    ap.add_argument("--quick", action="store_true", help="without the ten-year database")
    a = ap.parse_args()

    scratch = os.path.abspath(a.scratch)
    old, new = Cli(a.old, scratch), Cli(a.new, scratch)
    started = datetime.datetime.now()
    datasets = make_base(old, a.generator, scratch, a.fixtures, a.quick)
    log("data ready in %ds; running the reports with both binaries"
        % (datetime.datetime.now() - started).seconds)
    month = (started.year, started.month)
    failures = []
    threads = [threading.Thread(target=run_side, args=(cli, side, scratch, datasets, failures))
               for cli, side in ((old, "OLD"), (new, "NEW"))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if failures:
        sys.exit("the run failed: " + "; ".join(failures))
    now = datetime.datetime.now()
    if (now.year, now.month) != month:
        log("warning: the month changed during the run; the current-month reports may differ")
    ok = compare(scratch, datasets)
    log("(%ds in all; outputs in %s/OLD/out and %s/NEW/out)"
        % ((now - started).seconds, scratch, scratch))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
