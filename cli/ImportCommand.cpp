// turfpad-cli import and days: filing JV-Data streams into the data folder and listing its
// days, through the same filing and listing code as the program.
#include <fstream>
#include <iostream>
#include <memory>

#include "Commands.h"
#include "Cp932.h"
#include "PathText.h"
#include "RaceFiles.h"

namespace fs = std::filesystem;

namespace turfpad::cli {

int Import(const Options& o) {
    for (const std::string& a : o.args)
        if (a.size() > 1 && a[0] == '-') return Usage("不明なオプションです: " + a);
    if (o.args.empty()) return Usage("登録するファイルを指定してください");
    std::vector<std::unique_ptr<std::ifstream>> files;
    for (const std::string& name : o.args) {
        if (name == "-") {
            files.push_back(nullptr);
            continue;
        }
        auto in = std::make_unique<std::ifstream>(PathFromText(name), std::ios::binary);
        if (!*in) {
            std::cerr << "turfpad-cli: " << name << " を読み込めません\n";
            return kUsage;
        }
        files.push_back(std::move(in));
    }
    std::error_code ec;
    fs::create_directories(o.dataDir, ec);

    long filed = 0, passed = 0, rejected = 0;
    int status = kOk;
    std::ios::sync_with_stdio(false);
    try {
        RaceFiler filer(o.dataDir);
        for (std::size_t f = 0; f < files.size(); ++f) {
            std::istream& in = files[f] ? *files[f] : std::cin;
            const std::string& source = o.args[f];
            std::string record;
            long number = 0;
            while (std::getline(in, record, '\n')) {
                ++number;
                if (in.good() || !in.eof()) record += '\n';  // the line end belongs to the record
                FilingResult r = filer.File(record);
                switch (r.outcome) {
                    case FilingResult::Outcome::Filed:
                        ++filed;
                        std::cout << r.ListLineUtf8() << '\n';
                        break;
                    case FilingResult::Outcome::PassedOver:
                        ++passed;
                        break;
                    case FilingResult::Outcome::Rejected:
                        ++rejected;
                        std::cerr << source << ": " << number << " 件目: " << r.reason << '\n';
                        break;
                }
            }
            if (in.bad()) {
                std::cerr << "turfpad-cli: " << source << " の読み込み中にエラーが起きました\n";
                status = kUsage;
            }
            filer.Flush();  // every file whole on disk at the end of each source
        }
        filer.Flush();
    } catch (const FilingError& e) {
        std::cout.flush();
        std::cerr << "turfpad-cli: " << e.what() << '\n';
        ++rejected;
        status = kRejected;
    }
    std::cout.flush();
    std::cerr << "登録 " << filed << " 件、対象外 " << passed << " 件、不正 " << rejected << " 件\n";
    if (status != kOk) return status;
    return rejected > 0 ? kRejected : kOk;
}

int Days(const Options& o) {
    if (!o.args.empty()) return Usage("days には引数がありません: " + o.args.front());
    for (const std::string& day : DayEntries(o.dataDir)) std::cout << Cp932ToUtf8(day) << '\n';
    return kOk;
}

}  // namespace turfpad::cli
