// The form guide (馬柱): for each runner of a race, its recent runs as filed in the data
// folder. A past run is an SE line of the same horse (血統登録番号) on an earlier day that
// carries a result, together with the RA line of its race. Texts are cp932.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "formguide/HorseRunIndex.h"
#include "records/RaceCardTable.h"

namespace turfpad {

// The runs of the horse `pedigree` among `runs` that are past runs of a race on `raceDate`
// (yyyymmdd): the same 血統登録番号, an earlier day, a result. Most recent first, at most
// `limit`.
std::vector<PastRun> SelectPastRuns(const std::vector<PastRun>& runs, std::string_view pedigree,
                                    std::string_view raceDate, std::size_t limit);

// How many past runs of each runner the form guide shows: on screen, printed, and by
// turfpad-cli unless told otherwise.
inline constexpr std::size_t kFormRuns = 5;

// The columns of one past run, as the form guide prints them.
inline constexpr int kFormColumns = 15;
using FormRow = std::array<std::string, kFormColumns>;

// 馬番 馬名 日付 競馬場 R レース名 コース 馬場 頭数 着順 タイム 人気 騎手 斤量 馬体重
const FormRow& FormHeader();

// The row of a runner (its SE line on the race card) and one of its past runs; without a run
// only the number and the name are filled.
FormRow FormCells(std::string_view runnerSe, const PastRun* run);

// Column texts of a past run, each from its fields.
std::string TrimmedText(std::string_view cp932);     // without padding on either side
std::string FormDate(std::string_view record);       // 2026/12/05
std::string FormRaceNumber(std::string_view ra);     // 11R
std::string FormRaceName(std::string_view ra);       // short name, else the race's class
std::string FormCourse(std::string_view ra);         // 芝右1600m
std::string FormGoing(std::string_view ra);          // 良 稍重 重 不良, by the track's surface
std::string FormPosition(std::string_view se);       // 1, or 取消 除外 中止 失格
std::string FormTime(std::string_view se);           // 1:35.2
std::string FormWeightCarried(std::string_view se);  // 57.0
std::string FormBodyWeight(std::string_view se);     // 480(+4), blank when not weighed
std::string FormNumber(std::string_view field);      // a number without padding; 0 gives ""

// The past runs of the runners of some races, read from one state of the data folder: the
// horse index is brought up to date and every run read while the folder's shared lock is held,
// so a filing in between never gives a form with runs of two versions of a day.
class FormGuideRuns {
  public:
    // Reads the runs of the runners of these races of the table, at most `runs` of each. While
    // a filer holds the folder, `waiting` is called about every 50 ms and waiting goes on while
    // it returns true (without it, until the filer is done); false when it stopped waiting,
    // with nothing read. A folder whose lock cannot be had at all (no one may file into it)
    // is read as it is.
    bool Read(const std::filesystem::path& dataDir, const RaceCardTable& table, const std::vector<int>& raceSlots,
              std::size_t runs, const std::function<bool()>& waiting = {});
    // Takes the runs of these races' runners from an index already brought up to date, as
    // Read does under the lock.
    void Take(const HorseRunIndex& index, const RaceCardTable& table, const std::vector<int>& raceSlots,
              std::size_t runs);
    // The past runs of the horse `pedigree` before `raceDate`, most recent first, as read.
    const std::vector<PastRun>& Of(std::string_view pedigree, std::string_view raceDate) const;
    std::size_t Limit() const { return limit_; }
    const HorseRunIndex::Refreshed& LastBuild() const { return refreshed_; }

  private:
    std::map<std::string, std::vector<PastRun>, std::less<>> runs_;  // by race date and pedigree
    std::size_t limit_ = 0;
    HorseRunIndex::Refreshed refreshed_;
};

// A runner of the race shown with its past runs (most recent first), for the form blocks.
struct RunnerForm {
    int post = 0;
    int number = 0;
    std::string name;           // without padding
    std::string sexAge;         // 牡3: today's, from the runner's own SE line
    std::string jockey;         // today's, without padding
    std::string weightCarried;  // today's: 57.0
    std::vector<FormRow> runs;  // FormCells of each past run
    std::vector<bool> won;      // per run: it finished first
};
std::vector<RunnerForm> RunnerForms(const RaceCardTable& table, int slot, const FormGuideRuns& read);

// The form guide of one race as printed: a heading line and its runners' forms.
struct RaceFormPage {
    std::string heading;  // cp932: 2026/12/12 中山 11R ベンチ(G1) 芝右1600m 16頭 15時40分発走
    std::vector<RunnerForm> runners;
};
// One page per race slot, in the order given (the race list's).
std::vector<RaceFormPage> RaceFormPages(const RaceCardTable& table, const std::vector<int>& raceSlots,
                                        const FormGuideRuns& read);

// The form of the race in `slot` of the table: for each runner within the head count, in
// horse-number order, one row per past run, or one row with its number and name when it has
// none.
std::vector<FormRow> RaceForm(const RaceCardTable& table, int slot, const FormGuideRuns& read);

// The rows as TAB-separated lines with CR LF, the header first.
std::string FormTsv(const std::vector<FormRow>& rows);

}  // namespace turfpad
