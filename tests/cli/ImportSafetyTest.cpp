// turfpad-cli import against what other programs, pipelines and odd inputs do to it: two
// imports at once, readers during imports, a pipe closed early, a kill, a read-only file, a
// folder held by another filer, input without line ends and more FILEs than descriptors.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "Subprocess.h"
#include "TempDir.h"
#include "YearStream.h"
#include "datafolder/RaceFiles.h"
#include "records/RecordBuilder.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;
namespace fs = std::filesystem;

namespace {

const std::string kCli = TURFPAD_CLI;
const std::string kShell = "/bin/bash";
constexpr int kUsageStatus = 2;  // a build without Qt has no pdf

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

std::map<std::string, std::string> RaceFiles(const fs::path& dir) {
    std::map<std::string, std::string> files;
    if (!fs::exists(dir)) return files;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::string name = e.path().filename().string();
        if (name.ends_with(".jvRA") || name.ends_with(".jvSEr") || name.ends_with(".jvO1HR"))
            files[name] = ReadAll(e.path());
    }
    return files;
}

// The sections of a race data file's slots, by its extension: record type and size, where
// the section starts and how many slots it has.
struct Section {
    std::string type;
    std::size_t unit, offset, slots;
};
std::vector<Section> SectionsOf(const std::string& name) {
    if (name.ends_with(".jvSEr")) return {{"SE", 555, 0, 216}};
    if (name.ends_with(".jvO1HR")) return {{"O1", 962, 0, 12}, {"HR", 719, 12 * 962, 12}};
    return {{"RA", 1272, 0, 12}};
}

bool IsWholeFile(const std::string& name, const std::string& content) {
    std::size_t size = 0;
    for (const auto& [type, unit, offset, slots] : SectionsOf(name)) {
        if (!IsWholeRaceFile(std::string_view(content).substr(offset, unit * slots), unit)) return false;
        size += unit * slots;
    }
    return content.size() == size;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The records of a stream, each with its CR LF.
std::vector<std::string> Records(const std::string& stream) {
    std::vector<std::string> records;
    for (std::size_t at = 0; at < stream.size();) {
        std::size_t end = stream.find('\n', at);
        end = end == std::string::npos ? stream.size() : end + 1;
        records.push_back(stream.substr(at, end - at));
        at = end;
    }
    return records;
}

// Whether the record a listing line names is in its slot on disk:
// 作成済み:11R/<day>.jvRA or 作成済み:03R/07番/<day>.jvSEr.
bool ListedIsOnDisk(const fs::path& data, const std::string& line, std::map<std::string, std::string>& files) {
    const std::string made = "作成済み:";
    if (line.rfind(made, 0) != 0) return false;
    const int race = std::stoi(line.substr(made.size(), 2));
    const bool runner = line.ends_with(".jvSEr");
    const int horse = runner ? std::stoi(line.substr(made.size() + 4, 2)) : 1;
    const std::string name = line.substr(line.rfind('/') + 1);
    const std::size_t slot = runner ? static_cast<std::size_t>((race - 1) * 18 + horse - 1) : race - 1u;
    if (!files.contains(name)) files[name] = ReadAll(data / fs::path(std::u8string(name.begin(), name.end())));
    const std::string& content = files[name];
    // The line does not say whether odds or payouts were filed: either section's slot will do.
    for (const auto& [type, unit, offset, slots] : SectionsOf(name))
        if (content.size() >= offset + (slot + 1) * unit && content.compare(offset + slot * unit, 2, type) == 0)
            return true;
    return false;
}

// The demo week as JV-Data files in `dir`.
std::vector<fs::path> SampleWeek(const fs::path& dir) {
    EXPECT_EQ(turfpad::testing::Run(kCli, {"sample", dir.string(), "--week", "2026-12-12"}).status, 0);
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Another version of a JV-Data file: one entry fewer in every race (登録頭数 at position 882,
// 2 bytes) and every horse name (at position 41) beginning with Ｂ.
std::string OtherVersion(const std::string& content) {
    std::string changed;
    for (std::string r : Records(content)) {
        if (r.rfind("RA", 0) == 0) {
            int heads = std::stoi(r.substr(881, 2));
            if (heads > 1) r.replace(881, 2, (heads <= 10 ? "0" : "") + std::to_string(heads - 1));
        } else if (r.rfind("SE", 0) == 0) {
            r.replace(40, 2, "\x82\x61");
        }
        changed += r;
    }
    return changed;
}

std::vector<std::string> Args(std::vector<std::string> head, const std::vector<fs::path>& files) {
    for (const fs::path& f : files) head.push_back(f.string());
    return head;
}

}  // namespace

// Two imports of the two halves of a week (every other record, so both need every file) run
// at the same moment, 20 times: the folder always ends as the two run one after the other.
TEST(ImportSafety, ConcurrentImportsLoseNothing) {
    TempDir dir;
    std::string week;
    for (const fs::path& f : SampleWeek(dir / "week")) week += ReadAll(f);
    std::string halves[2];
    std::vector<std::string> records = Records(week);
    for (std::size_t i = 0; i < records.size(); ++i) halves[i % 2] += records[i];
    WriteAll(dir / "h0.jvd", halves[0]);
    WriteAll(dir / "h1.jvd", halves[1]);
    ASSERT_EQ(
        turfpad::testing::Run(kCli, {"import", "--data", (dir / "one").string(), (dir / "h0.jvd").string()}).status, 0);
    ASSERT_EQ(
        turfpad::testing::Run(kCli, {"import", "--data", (dir / "one").string(), (dir / "h1.jvd").string()}).status, 0);
    const auto expected = RaceFiles(dir / "one");
    ASSERT_FALSE(expected.empty());

    std::mt19937 random(20261212);
    std::uniform_int_distribution<int> delayUs(0, 3000);
    for (int round = 0; round < 20; ++round) {
        const fs::path data = dir / ("both" + std::to_string(round));
        fs::create_directories(data);
        pid_t first = Start(kCli, {"import", "--data", data.string(), (dir / "h0.jvd").string()});
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        pid_t second = Start(kCli, {"import", "--data", data.string(), (dir / "h1.jvd").string()});
        EXPECT_EQ(Wait(first), 0);
        EXPECT_EQ(Wait(second), 0);
        EXPECT_TRUE(RaceFiles(data) == expected) << "round " << round;
        fs::remove_all(data);
    }
}

// Imports alternate between two versions of a week (the second with other horse names and
// one runner fewer in every race) while cards are read: every card is one version's, never
// the race of one with the runners of the other.
TEST(ImportSafety, ReadersNeverSeeTwoVersionsOfADay) {
    TempDir dir;
    std::vector<fs::path> a = SampleWeek(dir / "a");
    fs::create_directories(dir / "b");
    for (const fs::path& f : a) WriteAll(dir / "b" / f.filename().string(), OtherVersion(ReadAll(f)));
    const std::string day = "2026年12月12日阪神";
    auto cardIn = [&](const fs::path& data, int race) {
        return turfpad::testing::Run(kCli, {"card", "--data", data.string(), day, std::to_string(race)}).out;
    };
    auto filesOf = [&](const std::string& version, const std::string& type) {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(dir / version))
            if (e.path().filename().string().rfind(type, 0) == 0) files.push_back(e.path());
        return files;
    };
    // The four combinations of the day's RA and SE files give four different cards.
    std::map<std::string, std::vector<fs::path>> combos;
    for (const char* name : {"AA", "BB", "AB", "BA"}) {
        combos[name] = filesOf(name[0] == 'A' ? "a" : "b", "RA");
        for (const fs::path& f : filesOf(name[1] == 'A' ? "a" : "b", "SE")) combos[name].push_back(f);
    }
    std::map<std::string, std::string> cards;
    std::mt19937 random(4242);
    const int race = std::uniform_int_distribution<int>(1, 12)(random);
    for (auto& [name, files] : combos) {
        ASSERT_EQ(turfpad::testing::Run(kCli, Args({"import", "--data", (dir / name).string()}, files)).status, 0);
        cards[name] = cardIn(dir / name, race);
    }
    ASSERT_EQ(std::set<std::string>({cards["AA"], cards["BB"], cards["AB"], cards["BA"]}).size(), 4u);

    const fs::path data = dir / "shared";
    ASSERT_EQ(turfpad::testing::Run(kCli, Args({"import", "--data", data.string()}, a)).status, 0);
    std::string loop = "for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16; do ";
    for (const char* version : {"b", "a"})
        loop += kCli + " import --data " + Quoted(data) + " " + Quoted(dir / version) +
                "/*.jvd >/dev/null 2>&1 || exit 1; ";
    loop += "done";
    pid_t writer = Start(kShell, {"-c", loop});
    int reads = 0, mixed = 0, raw = 0;
    while (waitpid(writer, &raw, WNOHANG) == 0) {
        std::string card = cardIn(data, race);
        ++reads;
        if (card != cards["AA"] && card != cards["BB"]) ++mixed;
    }
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
    EXPECT_EQ(mixed, 0) << "of " << reads;
    EXPECT_GE(reads, 20);
}

// The same with twelve weeks given as every RA file, then every SE file: a day's RA file
// falls in the first batch of 64 files and its SE file in the second. The day waits for its
// runners, so the first week's cards are still never mixed, and nothing is listed before it
// is on disk.
TEST(ImportSafety, ADaySplitAcrossBatchesIsNeverSeenMixed) {
    TempDir dir;
    ASSERT_EQ(
        turfpad::testing::Run(kCli, {"sample", (dir / "a").string(), "--week", "2026-12-12", "--weeks", "12"}).status,
        0);
    fs::create_directories(dir / "b");
    std::map<std::string, std::vector<fs::path>> files;  // "aRA", "bSE", ...
    for (const auto& e : fs::directory_iterator(dir / "a")) {
        const std::string name = e.path().filename().string(), type = name.substr(0, 2);
        if (type != "RA" && type != "SE") continue;
        WriteAll(dir / "b" / name, OtherVersion(ReadAll(e.path())));
        files["a" + type].push_back(e.path());
        files["b" + type].push_back(dir / "b" / name);
    }
    for (auto& [key, list] : files) std::sort(list.begin(), list.end());
    ASSERT_GE(files["aRA"].size() * 3, 65u);  // three racecourses a day: more RA files than a batch
    auto importOf = [&](char ra, char se) {
        std::vector<fs::path> all = files[std::string(1, ra) + "RA"];
        for (const fs::path& f : files[std::string(1, se) + "SE"]) all.push_back(f);
        return all;
    };
    std::map<std::string, std::string> cards;
    std::string day;
    std::mt19937 random(1226);
    const std::string race = std::to_string(std::uniform_int_distribution<int>(1, 12)(random));
    for (const char* name : {"AA", "BB", "AB", "BA"}) {
        const fs::path data = dir / name;
        RunResult r =
            turfpad::testing::Run(kCli, Args({"import", "--data", data.string()},
                                             importOf(name[0] == 'A' ? 'a' : 'b', name[1] == 'A' ? 'a' : 'b')));
        ASSERT_EQ(r.status, 0) << r.err;
        if (day.empty()) day = Lines(turfpad::testing::Run(kCli, {"days", "--data", data.string()}).out).back();
        cards[name] = turfpad::testing::Run(kCli, {"card", "--data", data.string(), day, race}).out;
    }
    ASSERT_EQ(std::set<std::string>({cards["AA"], cards["BB"], cards["AB"], cards["BA"]}).size(), 4u) << day;

    const fs::path data = dir / "shared";
    ASSERT_EQ(turfpad::testing::Run(kCli, Args({"import", "--data", data.string()}, importOf('a', 'a'))).status, 0);
    std::string loop = "for i in 1 2 3 4 5 6; do ";
    for (char version : {'b', 'a'}) {
        loop += kCli + " import --data " + Quoted(data);
        for (const fs::path& f : importOf(version, version)) loop += " " + Quoted(f);
        loop += " >/dev/null 2>&1 || exit 1; ";
    }
    loop += "done";
    pid_t writer = Start(kShell, {"-c", loop});
    int reads = 0, mixed = 0, raw = 0;
    while (waitpid(writer, &raw, WNOHANG) == 0) {
        std::string card = turfpad::testing::Run(kCli, {"card", "--data", data.string(), day, race}).out;
        ++reads;
        if (card != cards["AA"] && card != cards["BB"]) ++mixed;
    }
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
    EXPECT_EQ(mixed, 0) << "of " << reads;
    EXPECT_GE(reads, 20);

    // Killed in the middle, an import has listed only records that are on disk.
    pid_t killed = Start(kShell, {"-c", "exec " + kCli + " import --data " + Quoted(data) + " " +
                                            [&] {
                                                std::string args;
                                                for (const fs::path& f : importOf('b', 'b')) args += Quoted(f) + " ";
                                                return args;
                                            }() +
                                            "> " + Quoted(dir / "listed")});
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(50, 300)(random)));
    Kill(killed);
    std::string text = ReadAll(dir / "listed");
    text.resize(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    std::map<std::string, std::string> onDisk;
    for (const std::string& line : Lines(text)) EXPECT_TRUE(ListedIsOnDisk(data, line, onDisk)) << line;
}

// A signal at each rename of an import, injected by strace as a kill, a Ctrl-C, a closed
// terminal or a TERM would come: every racecourse of the day is afterwards the old import's
// or the new one's, never the RA file of one with the SE file of the other. (The leak check of
// a sanitizer build cannot run under ptrace, so it is off for traced imports.)
TEST(ImportSafety, ASignalAtAnyRenameLeavesNoDayMixed) {
    if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
    TempDir dir;
    std::vector<fs::path> a, b;
    fs::create_directories(dir / "b");
    for (const fs::path& f : SampleWeek(dir / "a")) {
        const std::string name = f.filename().string();
        if (name.substr(4, 8) != "20261212" || (!name.starts_with("RA") && !name.starts_with("SE"))) continue;
        a.push_back(f);
        b.push_back(dir / "b" / f.filename());
        WriteAll(b.back(), OtherVersion(ReadAll(f)));
    }
    ASSERT_EQ(a.size(), 2u);
    auto cardsOf = [&](const fs::path& data) {
        std::string cards;
        for (const std::string& day : Lines(turfpad::testing::Run(kCli, {"days", "--data", data.string()}).out))
            cards += turfpad::testing::Run(kCli, {"card", "--data", data.string(), day, "11"}).out;
        return cards;
    };
    ASSERT_EQ(turfpad::testing::Run(kCli, Args({"import", "--data", (dir / "old").string()}, a)).status, 0);
    ASSERT_EQ(turfpad::testing::Run(kCli, Args({"import", "--data", (dir / "new").string()}, b)).status, 0);
    const std::string before = cardsOf(dir / "old"), after = cardsOf(dir / "new");
    ASSERT_NE(before, after);
    int mixed = 0, runs = 0;
    for (const char* signal : {"SIGKILL", "SIGINT", "SIGTERM", "SIGHUP"}) {
        for (int when = 1; when <= 5; ++when) {
            const fs::path data = dir / (std::string(signal) + std::to_string(when));
            fs::copy(dir / "old", data, fs::copy_options::recursive);
            const std::string inject =
                "inject=rename,renameat,renameat2:signal=" + std::string(signal) + ":when=" + std::to_string(when);
            std::vector<std::string> args = {"-c",
                                             "ASAN_OPTIONS=detect_leaks=0 exec strace \"$@\"",
                                             "strace",
                                             "-f",
                                             "-qq",
                                             "-o",
                                             "/dev/null",
                                             "-e",
                                             "trace=rename,renameat,renameat2",
                                             "-e",
                                             inject,
                                             kCli,
                                             "import",
                                             "--data",
                                             data.string()};
            for (const fs::path& f : b) args.push_back(f.string());
            // The signal comes: strace ends as the import did.
            const RunResult r = turfpad::testing::Run(kShell, args);
            EXPECT_LT(r.status, 0) << signal << " at rename " << when << ": " << r.err;
            const std::string cards = cardsOf(data);
            ++runs;
            if (cards != before && cards != after) {
                ++mixed;
                ADD_FAILURE() << signal << " at rename " << when << ": a day of two imports";
            }
        }
    }
    EXPECT_EQ(mixed, 0) << "of " << runs;
}

// A named pipe given as FILE: opened once, and read to its end. Opened twice, the first
// close can end the writer, and the import then waits for ever or loses what the pipe held
// (strace counts the opens; the moment of that loss is too short to hit at will).
TEST(ImportSafety, ANamedPipeAsFileIsOpenedOnceAndReadWhole) {
    if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
    TempDir dir;
    const std::vector<fs::path> files = SampleWeek(dir / "s");
    const fs::path pipe = dir / "pipe", trace = dir / "trace";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const RunResult r = turfpad::testing::Run(
        kShell, {"-c", "cat " + Quoted(files.front()) + " > " + Quoted(pipe) +
                           " & ASAN_OPTIONS=detect_leaks=0 exec strace -f -qq -o " + Quoted(trace) +
                           " -e trace=open,openat timeout 20 " + kCli + " import --data " + Quoted(dir / "Data") + " " +
                           Quoted(pipe) + " " + Quoted(files.back())});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("登録"), std::string::npos) << r.err;
    int opens = 0;
    for (const std::string& line : Lines(ReadAll(trace)))
        opens += line.find('"' + pipe.string() + '"') != std::string::npos;
    EXPECT_EQ(opens, 1);
}

// A pipeline that stops reading after three lines: the import ends with status 1 when it
// can no longer write its listing, every listed record is on disk, every file is whole.
TEST(ImportSafety, PipeClosedEarlyEndsWithWhatIsFiledOnDisk) {
    TempDir dir;
    WriteAll(dir / "year.jvd", Concatenated(YearStream(12)));
    const fs::path data = dir / "Data";
    RunResult r = turfpad::testing::Run(kShell, {"-c", "set -o pipefail; " + kCli + " import --data " + Quoted(data) +
                                                           " " + Quoted(dir / "year.jvd") + " | head -3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("標準出力に書き込めない"), std::string::npos) << r.err;
    std::vector<std::string> listed = Lines(r.out);
    ASSERT_EQ(listed.size(), 3u);
    std::map<std::string, std::string> files;
    for (const std::string& line : listed) EXPECT_TRUE(ListedIsOnDisk(data, line, files)) << line;
    for (const auto& [name, content] : RaceFiles(data)) EXPECT_TRUE(IsWholeFile(name, content)) << name;

    // Every RA file before every SE file: many days are held back for their runners when the
    // pipe closes. The summary counts what reached the disk, no more and no less.
    ASSERT_EQ(turfpad::testing::Run(kCli, {"sample", (dir / "weeks").string(), "--week", "2026-12-12", "--weeks", "12"})
                  .status,
              0);
    r = turfpad::testing::Run(kShell, {"-c", kCli + " import --data " + Quoted(dir / "held") + " " +
                                                 Quoted(dir / "weeks") + "/*.jvd | head -3"});
    std::size_t onDisk = 0;
    for (const auto& [name, content] : RaceFiles(dir / "held")) {
        for (const auto& [type, unit, offset, slots] : SectionsOf(name))
            for (std::size_t at = offset; at < offset + unit * slots; at += unit)
                onDisk += content.compare(at, 2, type) == 0;
    }
    EXPECT_NE(r.err.find("登録 " + std::to_string(onDisk) + " 件"), std::string::npos) << onDisk << "\n" << r.err;
}

// Killed at random moments while its listing goes to a file: every record listed is on disk.
TEST(ImportSafety, KilledImportListedOnlyWhatIsOnDisk) {
    TempDir dir;
    WriteAll(dir / "year.jvd", Concatenated(YearStream(12)));
    std::mt19937 random(1207);
    std::uniform_int_distribution<int> afterMs(30, 600);
    int checked = 0;
    // Four rounds, and more, each waiting longer, until something was listed: a slow machine
    // (a sanitizer build under load) may list nothing in the first 600 ms.
    for (int round = 0; round < 4 || (checked == 0 && round < 12); ++round) {
        const fs::path data = dir / ("Data" + std::to_string(round));
        const fs::path out = dir / ("out" + std::to_string(round));
        pid_t pid = Start(kShell, {"-c", "exec " + kCli + " import --data " + Quoted(data) + " " +
                                             Quoted(dir / "year.jvd") + " > " + Quoted(out)});
        std::this_thread::sleep_for(std::chrono::milliseconds(afterMs(random) + std::max(0, round - 3) * 500));
        Kill(pid);
        std::string text = ReadAll(out);
        text.resize(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);  // whole lines
        std::map<std::string, std::string> files;
        for (const std::string& line : Lines(text)) {
            ASSERT_TRUE(ListedIsOnDisk(data, line, files)) << line << " round " << round;
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}

// A data file the user made read-only is reported and left alone, and nothing of the failed
// batch is listed or counted; a file's permission bits survive its replacement.
TEST(ImportSafety, ReadOnlyFileReportedAndPermissionsKept) {
    TempDir dir;
    const fs::path data = dir / "Data";
    std::vector<fs::path> week = SampleWeek(dir / "week");
    ASSERT_EQ(turfpad::testing::Run(kCli, Args({"import", "--data", data.string()}, week)).status, 0);
    const fs::path ra = data / fs::path(u8"2026年12月12日阪神.jvRA");
    const fs::path se = data / fs::path(u8"2026年12月12日阪神.jvSEr");
    ASSERT_EQ(chmod(se.c_str(), 0660), 0);  // a group write bit the usual umask would take
    ASSERT_EQ(chmod(ra.c_str(), 0444), 0);
    const std::string before = ReadAll(ra);

    RunResult r = turfpad::testing::Run(kCli, Args({"import", "--data", data.string()}, week));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("読み取り専用のファイルです"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("件は書き込まれていません"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("登録 0 件"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadAll(ra), before);

    ASSERT_EQ(chmod(ra.c_str(), 0644), 0);
    ASSERT_EQ(turfpad::testing::Run(kCli, Args({"import", "--data", data.string()}, week)).status, 0);
    struct stat st {};
    ASSERT_EQ(stat(se.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
}

// The folder's files and nothing else in it (a temporary file left would show here), by name.
std::map<std::string, std::string> EverythingIn(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir)) files[e.path().filename().string()] = ReadAll(e.path());
    return files;
}

// A disk that takes no more: with the file size limited below an SE file's size (and the
// signal for it ignored, so writing fails with EFBIG as on a full disk) an import into a
// filled folder reports the failure, lists and counts nothing, ends with status 1 and leaves
// every file as it was, no temporary file behind. Standard output that cannot take more (a
// listing file hitting the same limit, or /dev/full) ends the import the same way, with every
// listed record on disk.
TEST(ImportSafety, AFullDiskEndsTheImportWithNothingHalfWritten) {
    TempDir dir;
    const fs::path data = dir / "Data";
    std::vector<fs::path> week = SampleWeek(dir / "week");
    ASSERT_EQ(turfpad::testing::Run(kCli, Args({"import", "--data", data.string()}, week)).status, 0);
    fs::create_directories(dir / "b");
    std::string files;
    for (const fs::path& f : week) {
        WriteAll(dir / "b" / f.filename(), OtherVersion(ReadAll(f)));
        files += " " + Quoted(dir / "b" / f.filename());
    }
    const auto before = EverythingIn(data);
    const std::string limited = "trap '' XFSZ; ulimit -f " + std::to_string(kSeFileSize / 1024 - 1) + "; ";
    RunResult full = turfpad::testing::Run(kShell, {"-c", limited + kCli + " import --data " + Quoted(data) + files});
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("に書き込めません"), std::string::npos) << full.err;
    EXPECT_NE(full.err.find("件は書き込まれていません"), std::string::npos) << full.err;
    EXPECT_NE(full.err.find("登録 0 件"), std::string::npos) << full.err;
    EXPECT_EQ(full.out, "");
    EXPECT_TRUE(EverythingIn(data) == before);

    // The listing into a file that stops growing after a few thousand lines (the limit above
    // an SE file's size).
    WriteAll(dir / "year.jvd", Concatenated(YearStream(12)));
    const fs::path other = dir / "Other";
    RunResult out = turfpad::testing::Run(
        kShell, {"-c", "trap '' XFSZ; ulimit -f 200; " + kCli + " import --data " + Quoted(other) + " " +
                           Quoted(dir / "year.jvd") + " > " + Quoted(dir / "listed")});
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.err.find("標準出力に書き込めない"), std::string::npos) << out.err;
    std::string text = ReadAll(dir / "listed");
    text.resize(text.rfind('\n') + 1);
    std::vector<std::string> listed = Lines(text);
    EXPECT_GT(listed.size(), 1000u);
    std::map<std::string, std::string> onDisk;
    for (const std::string& line : listed) EXPECT_TRUE(ListedIsOnDisk(other, line, onDisk)) << line;
    for (const auto& [name, content] : RaceFiles(other)) EXPECT_TRUE(IsWholeFile(name, content)) << name;

    RunResult devFull =
        turfpad::testing::Run(kShell, {"-c", kCli + " import --data " + Quoted(data) + files + " > /dev/full"});
    EXPECT_EQ(devFull.status, 1);
    EXPECT_NE(devFull.err.find("標準出力に書き込めない"), std::string::npos) << devFull.err;
    EXPECT_EQ(EverythingIn(data).size(), before.size());
    for (const auto& [name, content] : RaceFiles(data)) EXPECT_TRUE(IsWholeFile(name, content)) << name;
}

// A data folder the user cannot write into (run as the user nobody where the test runs as
// root, who writes anywhere): the import says so, lists and counts nothing, ends with
// status 1, and the folder stays byte for byte.
TEST(ImportSafety, AReadOnlyFolderIsReportedAndLeftAsItIs) {
    TempDir dir;
    const fs::path data = dir / "Data";
    std::vector<fs::path> week = SampleWeek(dir / "week");
    ASSERT_EQ(turfpad::testing::Run(kCli, Args({"import", "--data", data.string()}, week)).status, 0);
    const auto before = EverythingIn(data);
    ASSERT_EQ(chmod(data.c_str(), 0555), 0);
    std::string command = kCli + " import --data " + Quoted(data);
    for (const fs::path& f : week) command += " " + Quoted(f);
    if (geteuid() == 0) {
        if (turfpad::testing::Run(kShell, {"-c", "setpriv --reuid=65534 --regid=65534 --clear-groups true"}).status !=
            0)
            GTEST_SKIP() << "cannot run as the user nobody here (setpriv)";
        command = "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
    }
    RunResult r = turfpad::testing::Run(kShell, {"-c", command});
    ASSERT_EQ(chmod(data.c_str(), 0755), 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("に書き込めません"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("登録 0 件"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(EverythingIn(data) == before);

    // Without a lock file to fall back on, the folder's refusal is what is reported.
    fs::remove(data / ".turfpad.lock");
    ASSERT_EQ(chmod(data.c_str(), 0555), 0);
    r = turfpad::testing::Run(kShell, {"-c", command});
    ASSERT_EQ(chmod(data.c_str(), 0755), 0);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(std::system_category().message(EACCES)), std::string::npos) << r.err;
}

// While another program holds the data folder, --no-wait gives up at once with status 5 and
// a plain import says that it waits, then files once the folder is free.
TEST(ImportSafety, WaitsForAnotherFilerOrGivesUp) {
    TempDir dir;
    const fs::path data = dir / "Data";
    fs::create_directories(data);
    std::vector<fs::path> week = SampleWeek(dir / "week");
    int lock = open((data / ".turfpad.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);

    RunResult busy = turfpad::testing::Run(kCli, Args({"import", "--no-wait", "--data", data.string()}, week));
    EXPECT_EQ(busy.status, 5);
    EXPECT_NE(busy.err.find("が他のプログラムで取込み中です"), std::string::npos) << busy.err;
    EXPECT_TRUE(RaceFiles(data).empty());

    std::string command = "exec " + kCli + " import --data " + Quoted(data);
    for (const fs::path& f : week) command += " " + Quoted(f);
    pid_t waiting = Start(kShell, {"-c", command + " >/dev/null 2>" + Quoted(dir / "err")});
    // It says so once it meets the lock (given a few seconds to start, under sanitizers too).
    for (int i = 0; i < 100 && ReadAll(dir / "err").find("終わるまで待っています") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_NE(ReadAll(dir / "err").find("終わるまで待っています"), std::string::npos) << ReadAll(dir / "err");
    EXPECT_TRUE(RaceFiles(data).empty());
    flock(lock, LOCK_UN);
    EXPECT_EQ(Wait(waiting), 0);
    EXPECT_FALSE(RaceFiles(data).empty());
    close(lock);
}

// An import whose input comes slowly (standard input or a named pipe given as FILE) writes
// out what it holds before it waits for more, so readers are never kept out meanwhile.
TEST(ImportSafety, AFilerWaitingForItsInputDoesNotHoldTheFolder) {
    for (const bool named : {false, true}) {
        TempDir dir;
        const fs::path data = dir / "Data", fifo = dir / "in";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        const std::string source = named ? Quoted(fifo) : "- < " + Quoted(fifo);
        const pid_t pid = Start(kShell, {"-c", "exec " + kCli + " import --data " + Quoted(data) + " " + source +
                                                   " > " + Quoted(dir / "out") + " 2>/dev/null"});
        const int in = open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(in, 0);
        const std::string ra = RecordBuilder::Ra().Raw({12, 8}, "20261212").Raw({20, 2}, "06").Number({26, 2}, 11);
        const std::string se =
            RecordBuilder::Se().Raw({12, 8}, "20261212").Raw({20, 2}, "06").Number({26, 2}, 11).Number({29, 2}, 1);
        const std::string day = ra + se;
        ASSERT_EQ(write(in, day.data(), day.size()), static_cast<ssize_t>(day.size()));
        for (int i = 0; i < 100 && ReadAll(dir / "out").empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(ReadAll(dir / "out"),
                  "作成済み:11R/2026年12月12日中山.jvRA\n作成済み:11R/01番/2026年12月12日中山.jvSEr\n")
            << named;
        const RunResult card =
            turfpad::testing::Run(kCli, {"card", "--no-wait", "--data", data.string(), "2026年12月12日中山", "11"});
        EXPECT_EQ(card.status, 0) << named << ": " << card.err;
        close(in);
        EXPECT_EQ(Wait(pid), 0) << named;
    }
}

// While a filer holds the data folder, each reader says so within a second; with --no-wait it
// gives up at once with status 5, and without it prints what it read once the folder is free.
TEST(ImportSafety, ReadersSayTheyWaitForAFilerOrGiveUp) {
    TempDir dir;
    const fs::path data = dir / "Data";
    ASSERT_EQ(turfpad::testing::Run(kCli, Args({"import", "--data", data.string()}, SampleWeek(dir / "week"))).status,
              0);
    const std::string day = Lines(turfpad::testing::Run(kCli, {"days", "--data", data.string()}).out).front();
    int lock = open((data / ".turfpad.lock").c_str(), O_RDWR);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    const bool withPdf =
        turfpad::testing::Run(kCli, {"pdf", "--no-wait", "--data", data.string(), day, (dir / "x.pdf").string()})
            .status != kUsageStatus;
    const std::vector<std::vector<std::string>> readers = {
        {"card", "--no-wait", day, "11"},
        {"schedule", "--data", data.string(), "--no-wait", day},
        {"form", "--no-wait", "--runs=3", day, "11"},
        {"pdf", "--no-wait", day, (dir / "cards.pdf").string()},
    };
    for (std::vector<std::string> args : readers) {
        if (args[0] == "pdf" && !withPdf) continue;
        if (args[1] != "--data") args.insert(args.begin() + 1, {"--data", data.string()});
        const RunResult r = turfpad::testing::Run(kCli, args);
        EXPECT_EQ(r.status, 5) << args[0] << ": " << r.err;
        EXPECT_NE(r.err.find("取込み中です"), std::string::npos) << args[0] << ": " << r.err;
        EXPECT_EQ(r.out, "") << args[0];
    }
    pid_t waiting = Start(kShell, {"-c", "exec " + kCli + " card --data " + Quoted(data) + " '" + day + "' 11 > " +
                                             Quoted(dir / "out") + " 2> " + Quoted(dir / "err")});
    for (int i = 0; i < 100 && ReadAll(dir / "err").find("終わるまで待っています") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_NE(ReadAll(dir / "err").find("終わるまで待っています"), std::string::npos) << ReadAll(dir / "err");
    EXPECT_EQ(ReadAll(dir / "out"), "");
    flock(lock, LOCK_UN);
    EXPECT_EQ(Wait(waiting), 0);
    EXPECT_NE(ReadAll(dir / "out"), "");
    close(lock);
}

// Input without line ends costs no memory: /dev/zero is read for a while with the process
// staying small. A line over 64 KiB is one rejected record, and what follows it is filed.
TEST(ImportSafety, EndlessLineStaysSmallAndLongLineIsOneRejection) {
    TempDir dir;
    pid_t pid = Start(kCli, {"import", "--data", (dir / "Data").string(), "/dev/zero"});
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    std::string status = ReadAll("/proc/" + std::to_string(pid) + "/status");
    Kill(pid);
    const std::size_t at = status.find("VmRSS:");
    ASSERT_NE(at, std::string::npos);
    const long rssKb = std::stol(status.substr(at + 6));
#if defined(__SANITIZE_ADDRESS__)
    const long limitKb = 120 * 1024;  // the sanitizer's own shadow memory comes on top
#else
    const long limitKb = 50 * 1024;
#endif
    EXPECT_LT(rssKb, limitKb);

    std::string ra = RecordBuilder::Ra()
                         .Raw(ra::Year, "2026")
                         .Raw(ra::Month, "12")
                         .Raw(ra::Day, "12")
                         .Raw(ra::Racecourse, "06")
                         .Number(ra::RaceNumber, 2);
    RunResult r = turfpad::testing::Run(kCli, {"import", "--data", (dir / "Data").string(), "-"},
                                        std::string(200000, 'x') + "\r\n" + ra);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "作成済み:02R/2026年12月12日中山.jvRA\n");
    EXPECT_NE(r.err.find("-: 1 件目: 1 行が 64 KiB を超えています"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("登録 1 件、対象外 0 件、不正 1 件"), std::string::npos) << r.err;
}

// More FILE arguments than the process may have open files: each is opened in its turn.
TEST(ImportSafety, ManyFilesWithFewDescriptors) {
    TempDir dir;
    std::string command = "ulimit -n 32 && exec " + kCli + " import --data " + Quoted(dir / "Data");
    int count = 0;
    for (int race = 1; race <= 12; ++race) {
        for (int horse = 1; horse <= 10; ++horse) {
            std::string se = RecordBuilder::Se()
                                 .Raw(se::Year, "2026")
                                 .Raw(se::Month, "12")
                                 .Raw(se::Day, "12")
                                 .Raw(se::Racecourse, "06")
                                 .Number(se::RaceNumber, race)
                                 .Number(se::HorseNumber, horse);
            const fs::path f = dir / ("f" + std::to_string(count++) + ".jvd");
            WriteAll(f, se);
            command += " " + Quoted(f);
        }
    }
    RunResult r = turfpad::testing::Run(kShell, {"-c", command});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 120u);
    EXPECT_NE(r.err.find("登録 120 件"), std::string::npos) << r.err;
}

namespace {

// The most memory a shell command's process had at once, in KiB. Under the address sanitizer,
// freed memory is kept back (its quarantine) and would be counted as held: it is turned off.
long PeakKb(const std::string& command) {
    const pid_t pid = Start(
        kShell, {"-c", "export ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=0\"; " + command});
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return -1;
    return usage.ru_maxrss;
}

}  // namespace

// What the program holds follows a bound, not the size of a file it meets or of its input:
// a huge month file in the index folder when filing, a huge SE file of a day a form needs,
// and one day's records filed over and over.
TEST(ImportSafety, MemoryStaysBoundedWhateverTheSizeOfAFileOrOfTheInput) {
    TempDir dir;
    const fs::path data = dir / "Data";
    std::string records;
    for (const char* date : {"20261212", "20261128"}) {
        RecordBuilder ra = RecordBuilder::Ra();
        ra.Raw({3, 1}, "7").Raw({12, 8}, date).Raw({20, 2}, "06").Number({26, 2}, 11).Raw({882, 2}, "01");
        RecordBuilder se = RecordBuilder::Se();
        se.Raw({3, 1}, "7").Raw({12, 8}, date).Raw({20, 2}, "06").Number({26, 2}, 11).Number({29, 2}, 1);
        se.Raw({31, 10}, "2022100001").Raw({335, 2}, std::string(date) == "20261212" ? "00" : "03");
        records += ra.str() + se.str();
    }
    WriteAll(dir / "day.jvd", records);
    ASSERT_EQ(turfpad::testing::Run(kCli, {"import", "--data", data.string(), (dir / "day.jvd").string()}).status, 0);
    const std::string past = (data / fs::path(u8"2026年11月28日中山.jvSEr")).string();
    std::string many;
    for (int i = 0; i < 1000; ++i) many += records;
    WriteAll(dir / "many.jvd", many);

    const std::vector<std::pair<const char*, std::string>> cases = {
        {"import beside a 1 GB month file", "truncate -s 1G " + Quoted(data / ".turfpad-horses" / "202612.idx") +
                                                " && exec " + kCli + " import --data " + Quoted(data) + " " +
                                                Quoted(dir / "day.jvd") + " > /dev/null 2>&1"},
        {"form needing a 1 GB SE file", "truncate -s 1G '" + past + "' && exec " + kCli + " form --data " +
                                            Quoted(data) + " 2026年12月12日中山 11 > /dev/null 2>&1"},
        {"one day filed 500,000 times", "rm -f '" + past + "' && for i in $(seq 250); do cat " +
                                            Quoted(dir / "many.jvd") + "; done | " + kCli + " import --data " +
                                            Quoted(data) + " - > /dev/null 2>&1"},
    };
#if defined(__SANITIZE_ADDRESS__)
    const long limitKb = 160 * 1024;  // the sanitizer's own shadow memory comes on top
#else
    const long limitKb = 40 * 1024;
#endif
    for (const auto& [what, command] : cases) EXPECT_LT(PeakKb(command), limitKb) << what;
}
