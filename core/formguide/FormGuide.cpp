#include "formguide/FormGuide.h"

#include <algorithm>

#include "datafolder/DataFolderLock.h"
#include "records/CodeTables.h"
#include "records/RecordLayout.h"
#include "text/Cp932.h"

namespace turfpad {
namespace {}  // namespace

std::vector<PastRun> SelectPastRuns(const std::vector<PastRun>& runs, std::string_view pedigree,
                                    std::string_view raceDate, std::size_t limit) {
    std::vector<PastRun> out;
    for (const PastRun& r : runs) {
        if (FieldOf(r.se, se::Pedigree) != pedigree) continue;
        const std::string_view date = FieldOf(r.se, se::Date);
        if (!(date < raceDate) || !HasResult(r.se)) continue;
        out.push_back(r);
    }
    std::stable_sort(out.begin(), out.end(), [](const PastRun& a, const PastRun& b) {
        return FieldOf(a.se, se::RaceKey) > FieldOf(b.se, se::RaceKey);
    });
    if (out.size() > limit) out.resize(limit);
    return out;
}

const FormRow& FormHeader() {
    static const FormRow header = [] {
        static const char* const kNames[kFormColumns] = {"馬番",     "馬名",   "日付", "競馬場", "R",
                                                         "レース名", "コース", "馬場", "頭数",   "着順",
                                                         "タイム",   "人気",   "騎手", "斤量",   "馬体重"};
        FormRow row;
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = Sj(kNames[i]);
        return row;
    }();
    return header;
}

std::string TrimmedText(std::string_view s) {
    // Walk by characters so that a trailing byte of a two-byte character is never taken for
    // a blank.
    std::size_t begin = 0, end = 0, i = 0;
    bool seen = false;
    while (i < s.size()) {
        std::size_t len = IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
        bool space = (len == 1 && s[i] == ' ') || (len == 2 && s[i] == '\x81' && s[i + 1] == '\x40');
        if (!space) {
            if (!seen) begin = i;
            seen = true;
            end = i + len;
        }
        i += len;
    }
    return seen ? std::string(s.substr(begin, end - begin)) : std::string();
}

std::string FormNumber(std::string_view field) {
    const int n = ReadNumber(field);
    return n > 0 ? std::to_string(n) : std::string();
}

std::string FormDate(std::string_view record) {
    return std::string(FieldOf(record, ra::Year)) + "/" + std::string(FieldOf(record, ra::Month)) + "/" +
           std::string(FieldOf(record, ra::Day));
}

std::string FormRaceNumber(std::string_view ra) { return FormNumber(FieldOf(ra, ra::RaceNumber)) + "R"; }

std::string FormRaceName(std::string_view ra) {
    std::string name = TrimmedText(FieldOf(ra, ra::ShortName6));
    return name.empty() ? TrimmedText(RaceConditionName(FieldOf(ra, ra::RaceCondition), FieldOf(ra, ra::Date))) : name;
}

std::string FormCourse(std::string_view ra) {
    return TrimmedText(TrackCodeName(FieldOf(ra, ra::Track))) + FormNumber(FieldOf(ra, ra::Distance)) + "m";
}

std::string FormGoing(std::string_view ra) {
    const int track = NumberOf(ra, ra::Track);
    return GoingName(FieldOf(ra, IsTurfTrack(track) ? ra::TurfGoing : ra::DirtGoing));
}

std::string FormPosition(std::string_view se) {
    const std::string word = AbnormalResultName(FieldOf(se, se::Abnormal));
    return word.empty() ? FormNumber(FieldOf(se, se::Position)) : word;
}

std::string FormTime(std::string_view se) {
    const std::string_view t = FieldOf(se, se::Time);
    if (t.size() != 4 || ReadNumber(t) == 0 || t.find_first_not_of("0123456789") != std::string_view::npos) return {};
    return std::string(1, t[0]) + ":" + std::string(t.substr(1, 2)) + "." + std::string(1, t[3]);
}

std::string FormWeightCarried(std::string_view se) {
    const int w = NumberOf(se, se::Weight);
    if (w <= 0) return {};
    return std::to_string(w / 10) + "." + std::to_string(w % 10);
}

std::string FormBodyWeight(std::string_view se) {
    const std::string_view weight = FieldOf(se, se::BodyWeight);
    const int kg = ReadNumber(weight);
    if (kg <= 0 || kg >= 999 || weight.find_first_not_of("0123456789") != std::string_view::npos) return {};
    std::string text = std::to_string(kg);
    const std::string_view change = FieldOf(se, se::WeightChange);
    if (change.find_first_not_of(' ') == std::string_view::npos) return text;
    const int diff = ReadNumber(change);
    const std::string_view sign = FieldOf(se, se::WeightSign);
    if (diff == 0) return text + "(0)";
    return text + "(" + (sign == "-" ? "-" : "+") + std::to_string(diff) + ")";
}

FormRow FormCells(std::string_view runnerSe, const PastRun* run) {
    FormRow row;
    row[0] = FormNumber(FieldOf(runnerSe, se::HorseNumber));
    row[1] = TrimmedText(FieldOf(runnerSe, se::HorseName));
    if (!run) return row;
    const std::string_view ra = run->ra, se = run->se;
    row[2] = FormDate(se);
    row[3] = TrimmedText(RacecourseName(FieldOf(se, se::Racecourse)));
    row[4] = FormRaceNumber(se);
    row[5] = FormRaceName(ra);
    row[6] = FormCourse(ra);
    row[7] = FormGoing(ra);
    row[8] = FormNumber(FieldOf(ra, ra::Starters));
    row[9] = FormPosition(se);
    row[10] = FormTime(se);
    row[11] = FormNumber(FieldOf(se, se::Popularity));
    row[12] = TrimmedText(FieldOf(se, se::Jockey));
    row[13] = FormWeightCarried(se);
    row[14] = FormBodyWeight(se);
    return row;
}

namespace {

// The key of a horse's runs before a race date: the date, then the registration number.
std::string RunsKey(std::string_view raceDate, std::string_view pedigree) {
    return std::string(raceDate) + std::string(pedigree);
}

bool Delivered(std::string_view pedigree) { return pedigree.find_first_not_of(' ') != std::string_view::npos; }

}  // namespace

namespace {

// The runners of these races whose runs a form shows, and whether the races are of one date.
struct FormRunners {
    std::vector<std::string> pedigrees;
    std::vector<std::pair<std::string, std::string>> wanted;  // race date, pedigree
    std::string raceDate;
    bool oneDate = true;  // as the races of a day are
};

FormRunners RunnersOf(const RaceCardTable& table, const std::vector<int>& raceSlots) {
    FormRunners r;
    for (int slot : raceSlots) {
        if (slot < 0 || slot >= kRacesPerDay || table.RaLine(slot).empty()) continue;
        const std::string_view date = FieldOf(table.RaLine(slot), ra::Date);
        r.oneDate = r.oneDate && (r.raceDate.empty() || date == r.raceDate);
        r.raceDate = date;
        const int n = table.Race(slot).RunnerCount();
        for (int j = 0; j < n; ++j) {
            const std::string_view pedigree = FieldOf(table.SeLine(slot, j), se::Pedigree);
            if (!Delivered(pedigree)) continue;
            r.pedigrees.emplace_back(pedigree);
            r.wanted.emplace_back(date, pedigree);
        }
    }
    return r;
}

}  // namespace

bool FormGuideRuns::Read(const std::filesystem::path& dataDir, const RaceCardTable& table,
                         const std::vector<int>& raceSlots, std::size_t runs, const std::function<bool()>& waiting) {
    runs_.clear();
    refreshed_ = {};
    const FormRunners runners = RunnersOf(table, raceSlots);
    // The index and every run it points to are read under one hold of the lock.
    DataFolderLock lock(dataDir);
    std::string lockError;
    const DataFolderLock::Result locked = lock.Lock(DataFolderLock::Mode::Shared, waiting, lockError);
    if (locked == DataFolderLock::Result::GaveUp) return false;
    const HorseRunIndex::Lock held =
        locked == DataFolderLock::Result::Locked ? HorseRunIndex::Lock::Held : HorseRunIndex::Lock::NotHad;
    HorseRunIndex index;
    if (runners.oneDate)
        index.BuildFor(dataDir, runners.pedigrees, runners.raceDate, runs, held);
    else
        index.Build(dataDir, held);
    Take(index, table, raceSlots, runs);
    return true;
}

void FormGuideRuns::Take(const HorseRunIndex& index, const RaceCardTable& table, const std::vector<int>& raceSlots,
                         std::size_t runs) {
    runs_.clear();
    limit_ = runs;
    RunReader reader(index.DataDir());
    for (const auto& [date, pedigree] : RunnersOf(table, raceSlots).wanted) {
        std::vector<PastRun>& past = runs_[RunsKey(date, pedigree)];
        if (past.empty()) past = SelectPastRuns(index.RecentRuns(pedigree, date, runs, reader), pedigree, date, runs);
    }
    refreshed_ = index.LastBuild();
}

const std::vector<PastRun>& FormGuideRuns::Of(std::string_view pedigree, std::string_view raceDate) const {
    static const std::vector<PastRun> none;
    const auto found = runs_.find(RunsKey(raceDate, pedigree));
    return found == runs_.end() ? none : found->second;
}

std::vector<FormRow> RaceForm(const RaceCardTable& table, int slot, const FormGuideRuns& read) {
    std::vector<FormRow> rows;
    const std::string_view raceDate = FieldOf(table.RaLine(slot), ra::Date);
    const int n = table.Race(slot).RunnerCount();
    for (int j = 0; j < n; ++j) {
        const std::string& se = table.SeLine(slot, j);
        const std::string_view pedigree = FieldOf(se, se::Pedigree);
        if (!Delivered(pedigree)) continue;  // a runner not yet delivered
        const std::vector<PastRun>& past = read.Of(pedigree, raceDate);
        if (past.empty()) rows.push_back(FormCells(se, nullptr));
        for (const PastRun& run : past) rows.push_back(FormCells(se, &run));
    }
    return rows;
}

std::vector<RunnerForm> RunnerForms(const RaceCardTable& table, int slot, const FormGuideRuns& read) {
    std::vector<RunnerForm> out;
    const std::string_view raceDate = FieldOf(table.RaLine(slot), ra::Date);
    const int n = table.Race(slot).RunnerCount();
    for (int j = 0; j < n; ++j) {
        const std::string& se = table.SeLine(slot, j);
        const std::string_view pedigree = FieldOf(se, se::Pedigree);
        if (!Delivered(pedigree)) continue;
        RunnerForm r;
        r.post = NumberOf(se, se::PostPosition);
        r.number = NumberOf(se, se::HorseNumber);
        r.name = TrimmedText(FieldOf(se, se::HorseName));
        r.sexAge = TrimmedText(SexName(FieldOf(se, se::Sex))) + FormNumber(FieldOf(se, se::Age));
        r.jockey = TrimmedText(FieldOf(se, se::Jockey));
        r.weightCarried = FormWeightCarried(se);
        for (const PastRun& run : read.Of(pedigree, raceDate)) {
            r.runs.push_back(FormCells(se, &run));
            r.won.push_back(FieldOf(run.se, se::Abnormal) != "5" && NumberOf(run.se, se::Position) == 1);
        }
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<RaceFormPage> RaceFormPages(const RaceCardTable& table, const std::vector<int>& raceSlots,
                                        const FormGuideRuns& read) {
    std::vector<RaceFormPage> pages;
    for (int slot : raceSlots) {
        if (slot < 0 || slot >= kRacesPerDay) continue;
        const std::string& ra = table.RaLine(slot);
        RaceFormPage page;
        page.heading = FormDate(ra) + " " + TrimmedText(RacecourseName(FieldOf(ra, ra::Racecourse))) + " " +
                       FormRaceNumber(ra) + " " + FormRaceName(ra);
        const std::string grade = TrimmedText(GradeName(FieldOf(ra, ra::Grade)));
        if (!grade.empty() && grade != Sj("特別")) page.heading += "(" + grade + ")";
        page.heading += " " + FormCourse(ra);
        const std::string heads = FormNumber(FieldOf(ra, ra::HeadCount));
        if (!heads.empty()) page.heading += " " + heads + Sj("頭");
        const std::string_view post = FieldOf(ra, ra::PostTime);
        if (ReadNumber(post) > 0)
            page.heading +=
                " " + std::string(post.substr(0, 2)) + Sj("時") + std::string(post.substr(2, 2)) + Sj("分発走");
        page.runners = RunnerForms(table, slot, read);
        pages.push_back(std::move(page));
    }
    return pages;
}

std::string FormTsv(const std::vector<FormRow>& rows) {
    std::string out;
    auto line = [&out](const FormRow& row) {
        for (int i = 0; i < kFormColumns; ++i) {
            if (i > 0) out += '\t';
            out += row[static_cast<std::size_t>(i)];
        }
        out += "\r\n";
    };
    line(FormHeader());
    for (const FormRow& row : rows) line(row);
    return out;
}

}  // namespace turfpad
