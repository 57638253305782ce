// turfpad-cli --encoding cp932: every command's output and every message in cp932, the same
// text as without it. The expected bytes come from iconv, not from the program's conversion.
#include <gtest/gtest.h>

#include <cstdlib>

#include "RaceDays.h"
#include "ShellRun.h"
#include "Subprocess.h"
#include "TempDir.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;
namespace fs = std::filesystem;

namespace {

class Encoding : public ::testing::Test {
  protected:
    // Runs the command twice, in UTF-8 and in cp932, each with a data folder of its own
    // prepared by `prepare`.
    std::pair<Outcome, Outcome> Both(const std::string& args) {
        fs::create_directories(dir / "u");
        fs::create_directories(dir / "c");
        Outcome utf8 = RunCli(Replace(args, "u"), dir / "u");
        Outcome cp932 = RunCli(Replace(args, "c") + " --encoding cp932", dir / "c");
        EXPECT_EQ(utf8.status, cp932.status) << args;
        return {utf8, cp932};
    }

    std::string Replace(std::string args, const std::string& side) const {
        for (std::size_t at; (at = args.find("@")) != std::string::npos;) args.replace(at, 1, (dir / side).string());
        return args;
    }

    // iconv's cp932 of a UTF-8 text.
    std::string Iconv(const std::string& utf8) {
        WriteAll(dir / "iconv-in", utf8);
        const std::string line =
            "iconv -f UTF-8 -t CP932 '" + (dir / "iconv-in").string() + "' > '" + (dir / "iconv-out").string() + "'";
        EXPECT_EQ(std::system(line.c_str()), 0);
        return ReadAll(dir / "iconv-out");
    }

    void ExpectSameText(const Outcome& utf8, const Outcome& cp932) {
        EXPECT_EQ(cp932.out, Iconv(utf8.out));
        EXPECT_EQ(cp932.err, Iconv(utf8.err));
    }

    TempDir dir;
};

bool Has(const std::string& bytes, const char* literal) { return bytes.find(literal) != std::string::npos; }

}  // namespace

TEST_F(Encoding, UsageAndUsageErrors) {
    auto [utf8, cp932] = Both("nosuch");
    EXPECT_EQ(cp932.status, 2);
    ExpectSameText(utf8, cp932);
    EXPECT_TRUE(Has(cp932.err, "\x8e\x67\x82\xa2\x95\xfb:")) << "使い方: in cp932";
    EXPECT_TRUE(Has(utf8.err, "使い方:"));
    auto [help8, help932] = Both("--help");
    EXPECT_EQ(help932.status, 0);
    ExpectSameText(help8, help932);
    EXPECT_FALSE(help932.out.empty());
    auto [bad8, bad932] = Both("days --data @/D extra");
    ExpectSameText(bad8, bad932);
}

TEST_F(Encoding, ImportListingSummaryAndDays) {
    fs::create_directories(dir / "S");
    for (const char* s : {"u", "c"}) {
        fs::create_directories(dir / s / "D");
        FileDay(dir / s / "D", Meeting{}, {1, 2}, 2);
    }
    // A stream with one new race, one record passed over and one rejected.
    Meeting m;
    m.course = "09";
    std::string stream = RaRecord(m, 3, 2) + SeRecord(m, 3, 1) + "HR2" + std::string(10, '0') + "\r\n";
    std::string bad = RaRecord(m, 4, 2);
    stream += bad.replace(25, 2, "4x");  // race number, RA 26-27
    WriteAll(dir / "S" / "in.jvd", stream);
    auto [imp8, imp932] = Both("import --data @/D '" + (dir / "S" / "in.jvd").string() + "'");
    EXPECT_EQ(imp932.status, 1);
    ExpectSameText(imp8, imp932);
    EXPECT_TRUE(Has(imp932.out, "\x8d\xec\x90\xac\x8d\xcf\x82\xdd:03R/2026")) << "作成済み:03R/";
    EXPECT_TRUE(Has(imp932.err, "\x93\x6f\x98\x5e 2 ")) << "登録 2 ";

    auto [days8, days932] = Both("days --data @/D");
    EXPECT_EQ(days932.status, 0);
    ExpectSameText(days8, days932);
    EXPECT_TRUE(Has(days932.out,
                    "2026\x94\x4e"
                    "12"))
        << "2026年12";
    EXPECT_EQ(std::count(days932.out.begin(), days932.out.end(), '\n'), 2);

    const std::string day = "2026年12月12日中山";
    auto [form8, form932] = Both("form --data @/D " + day + " 1");
    EXPECT_EQ(form932.status, 0);
    ExpectSameText(form8, form932);
    auto [none8, none932] = Both("card --data @/D 2026年12月19日中山 1");
    EXPECT_EQ(none932.status, 4);
    ExpectSameText(none8, none932);
    EXPECT_FALSE(none932.err.empty());
}

// The listing stays exact when standard output is a pipe that closes early.
TEST_F(Encoding, ClosedPipeIsStillAnError) {
    fs::create_directories(dir / "S");
    std::string stream;
    Meeting m;
    for (int race = 1; race <= 12; ++race)
        for (int horse = 1; horse <= 18; ++horse) stream += SeRecord(m, race, horse);
    for (int i = 0; i < 40; ++i) stream += stream.substr(0, 555 * 216);
    WriteAll(dir / "S" / "in.jvd", stream);
    const std::string line = "set -o pipefail; " + std::string(TURFPAD_CLI) + " import --encoding cp932 --data '" +
                             (dir / "D").string() + "' '" + (dir / "S" / "in.jvd").string() + "' 2>'" +
                             (dir / "err").string() + "' | head -c 10 >/dev/null";
    const int raw = std::system(("bash -c \"" + line + "\"").c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_TRUE(Has(ReadAll(dir / "err"), Sj("標準出力に書き込めない").c_str()));

    // One line into a pipe closed before it: the listing is flushed with its batch, so the
    // error is seen then, in either encoding, not lost at exit.
    WriteAll(dir / "S" / "one.jvd", SeRecord(m, 1, 1));
    for (const std::string encoding : {"utf-8", "cp932"}) {
        const RunResult r = turfpad::testing::Run(
            "/bin/bash",
            {"-c", "exec 3> >(exit 0); wait $!; " + std::string(TURFPAD_CLI) + " import --encoding " + encoding +
                       " --data '" + (dir / encoding).string() + "' '" + (dir / "S" / "one.jvd").string() + "' >&3"});
        EXPECT_EQ(r.status, 1) << encoding;
        const std::string message = "標準出力に書き込めない";
        EXPECT_TRUE(Has(r.err, (encoding == "cp932" ? Sj(message) : message).c_str())) << encoding;
    }
}
