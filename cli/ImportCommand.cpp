// turfpad-cli import and days: filing JV-Data streams into the data folder and listing its
// days, through the same filing and listing code as the program.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <streambuf>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

#include "Commands.h"
#include "datafolder/RaceFiles.h"
#include "text/Cp932.h"
#include "text/PathText.h"

namespace fs = std::filesystem;

namespace turfpad::cli {

namespace {

// The longest line taken as a record: far beyond any record, so only a stream that is no
// JV-Data (or has lost its line ends) reaches it. A longer line is one rejected record, read
// past without being held.
constexpr std::size_t kMaxLine = 64 * 1024;
// The most files held for a stream in random order (some 60 MB of SE files).
constexpr std::size_t kMostHeldFiles = 512;
// The most records filed and not yet listed (about 100 bytes each).
constexpr std::size_t kMaxWaitingToBeListed = 64 * 1024;

// The records of a batch, listed once the files holding them are on disk.
struct Listed {
    std::string line;      // UTF-8, as printed
    std::string fileName;  // cp932
};

class Importer {
  public:
    Importer(const Options& o, bool wait) : filer_(o.dataDir), dataDir_(o.dataDir) {
        filer_.SetMostHeldFiles(kMostHeldFiles);
        filer_.SetWaiting([this, wait] {
            if (!wait) return false;
            if (!told_)
                std::cerr << "turfpad-cli: データフォルダ「" << PathText(dataDir_)
                          << "」が他のプログラムで取込み中です。終わるまで待っています\n";
            told_ = true;
            return true;
        });
    }

    // Reads one source to its end, or until output or filing fails. False after such a failure.
    // Where `wouldWait` tells that the next read waits for the writer, what is held is written
    // out first, so that the data folder is not held while the writer takes its time.
    bool Source(std::istream& in, const std::string& source, const std::function<bool()>& wouldWait = {}) {
        std::vector<char> buf(kMaxLine + 2);
        long number = 0;
        while (ok_) {
            if (wouldWait && filer_.HeldFiles() > 0 && wouldWait() && !Flush(true)) break;
            in.getline(buf.data(), static_cast<std::streamsize>(buf.size()), '\n');
            const auto got = static_cast<std::size_t>(in.gcount());
            if (got == 0 && !in.good()) break;
            ++number;
            if (in.fail() && !in.eof()) {
                // The line did not fit: skip the rest of it, whatever its length.
                in.clear();
                in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
                ++rejected_;
                std::cerr << source << ": " << number << " 件目: 1 行が " << kMaxLine / 1024
                          << " KiB を超えています（JV-Data のレコードではありません）\n";
                continue;
            }
            // getline counts the line end it took but does not store it.
            const bool ended = !in.eof();
            std::string_view stored(buf.data(), ended ? got - 1 : got);
            record_.assign(stored);
            if (ended) record_ += '\n';  // the line end belongs to the record
            File(source, number);
            if (in.eof()) break;
        }
        if (in.bad()) {
            std::cerr << "turfpad-cli: " << source << " の読み込み中にエラーが起きました\n";
            readError_ = true;
        }
        return ok_;
    }

    // Writes what is held out and lists it; false when writing or listing failed. Between
    // batches (`wholeDaysOnly`) a day whose RA or SE file alone was filed into is held back
    // for its other file, and its records are listed once a later flush writes it.
    bool Flush(bool wholeDaysOnly = false) {
        if (!ok_) return false;
        try {
            if (wholeDaysOnly)
                filer_.FlushWholeDays();
            else
                filer_.Flush();
        } catch (const FilingError& e) {
            Failed(e, false);
            return false;
        }
        return List();
    }

    int Finish() {
        if (ok_) Flush();
        std::cerr << "登録 " << filed_ << " 件、対象外 " << passed_ << " 件、不正 " << rejected_ << " 件\n";
        if (busy_) return kBusy;
        if (readError_) return kUsage;
        return rejected_ > 0 || !ok_ ? kRejected : kOk;
    }

  private:
    void File(const std::string& source, long number) {
        // A batch ends before the filer would have to write out on its own, so every batch
        // is listed right after it is on disk.
        if (filer_.HeldFiles() >= filer_.MaxHeldFiles() && !Flush(true)) return;
        FilingResult r;
        try {
            r = filer_.File(record_);
        } catch (const FilingError& e) {
            Failed(e, true);
            return;
        }
        switch (r.outcome) {
            case FilingResult::Outcome::Filed:
                batch_.push_back({r.ListLineUtf8(), r.fileName});
                // Records filed over and over into the same few files never fill a batch: their
                // files are written out once this many wait to be listed, so that what is held
                // for the listing stays bounded (whole days first, then whatever is held).
                if (batch_.size() >= kMaxWaitingToBeListed && Flush(true) && batch_.size() >= kMaxWaitingToBeListed)
                    Flush();
                break;
            case FilingResult::Outcome::PassedOver:
                ++passed_;
                break;
            case FilingResult::Outcome::Rejected:
                ++rejected_;
                std::cerr << source << ": " << number << " 件目: " << r.reason << '\n';
                break;
        }
    }

    // Lists the records filed that are on disk; those of files held back wait for the flush
    // that writes them.
    bool List() {
        std::erase_if(batch_, [this](const Listed& l) {
            if (!filer_.IsWritten(l.fileName)) return false;
            std::cout << l.line << '\n';
            ++filed_;
            return true;
        });
        std::cout.flush();
        if (std::cout) return true;
        // A closed pipe or a full disk: what is filed is on disk, the rest of the input is left,
        // the days held back for their other file among it, so that the summary counts all
        // that reached the disk.
        ok_ = false;
        filer_.Abandon();
        std::cerr << "turfpad-cli: 標準出力に書き込めないため、登録を終了しました\n";
        return false;
    }

    // A file that cannot be read or written, or a data folder another program holds (with
    // --no-wait), ends the import. With `flushHeld` the files held that are not at fault are
    // written out first; whatever did reach the disk is listed and what did not is counted.
    void Failed(const FilingError& error, bool flushHeld) {
        ok_ = false;
        if (dynamic_cast<const FolderBusyError*>(&error) != nullptr) {
            busy_ = true;
            flushHeld = false;  // the folder is not ours to write into
        } else {
            ++rejected_;
        }
        std::cerr << "turfpad-cli: " << error.what() << '\n';
        if (flushHeld) {
            try {
                filer_.Flush();
            } catch (const FilingError& e) {
                std::cerr << "turfpad-cli: " << e.what() << '\n';
            }
        }
        const std::size_t unwritten = filer_.UnwrittenRecords();
        List();
        filer_.Abandon();
        if (unwritten > 0)
            std::cerr << "turfpad-cli: 登録したレコードのうち " << unwritten << " 件は書き込まれていません\n";
    }

    RaceFiler filer_;
    fs::path dataDir_;
    std::string record_;
    std::vector<Listed> batch_;
    long filed_ = 0, passed_ = 0, rejected_ = 0;
    bool ok_ = true, busy_ = false, told_ = false, readError_ = false;
};

#ifndef _WIN32
// Input read straight from a descriptor (standard input, a named pipe), so that the import can
// tell when the next read would wait for the writer.
class DescriptorInput : public std::streambuf {
  public:
    explicit DescriptorInput(int fd) : fd_(fd) {}
    // Nothing buffered, and nothing to read at once.
    bool WouldWait() {
        if (gptr() < egptr()) return false;
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) == 0;
    }

  protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        ssize_t n = 0;
        do {
            n = ::read(fd_, buffer_, sizeof buffer_);
        } while (n < 0 && errno == EINTR);
        // The stream takes a throw from here for a read error (badbit), as from a file's.
        if (n < 0) throw std::ios_base::failure("read");
        if (n == 0) return traits_type::eof();
        setg(buffer_, buffer_, buffer_ + n);
        return traits_type::to_int_type(*gptr());
    }

  private:
    int fd_;
    char buffer_[65536];
};

// Reads a source that is not a plain file (standard input with fd 0, a named pipe or a device
// given by name), writing out what is held whenever the next read would wait.
bool ReadWaitingSource(Importer& importer, int fd, const std::string& name) {
    DescriptorInput input(fd);
    std::istream in(&input);
    return importer.Source(in, name, [&input] { return input.WouldWait(); });
}
#endif

// Whether a FILE can be read. Only a plain file is opened to tell: opening a named pipe would
// take its writer's connection, and closing it again would end that writer, leaving the
// import to wait for a writer that never comes.
bool Readable(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || fs::is_directory(status)) return false;
    if (fs::is_regular_file(status)) return static_cast<bool>(std::ifstream(path, std::ios::binary));
#ifdef _WIN32
    return true;
#else
    return ::access(path.c_str(), R_OK) == 0;
#endif
}

}  // namespace

int Import(const Options& o) {
    bool wait = true;
    std::vector<std::string> names;
    for (const std::string& a : o.args) {
        if (a == "--no-wait")
            wait = false;
        else if (a.size() > 1 && a[0] == '-')
            return Usage("不明なオプションです: " + a);
        else
            names.push_back(a);
    }
    if (names.empty()) return Usage("登録するファイルを指定してください");
    // Every FILE is checked before anything is filed, and opened when its turn comes, one at a
    // time: any number of them takes one file descriptor.
    for (const std::string& name : names) {
        if (name != "-" && !Readable(PathFromText(name))) {
            std::cerr << "turfpad-cli: " << name << " を読み込めません\n";
            return kUsage;
        }
    }
    std::error_code ec;
    fs::create_directories(o.dataDir, ec);

    // A closed pipe is an error on write, not the end of the process.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    Importer importer(o, wait);
    for (const std::string& name : names) {
        bool ok = true;
        if (name == "-") {
#ifdef _WIN32
            ok = importer.Source(std::cin, name);
#else
            ok = ReadWaitingSource(importer, STDIN_FILENO, name);
#endif
        } else {
#ifndef _WIN32
            std::error_code statusError;
            if (!fs::is_regular_file(PathFromText(name), statusError)) {
                const int fd = ::open(PathFromText(name).c_str(), O_RDONLY | O_CLOEXEC);
                if (fd < 0) {
                    std::cerr << "turfpad-cli: " << name << " を読み込めません\n";
                    importer.Flush();
                    return std::max(importer.Finish(), kUsage);
                }
                ok = ReadWaitingSource(importer, fd, name);
                ::close(fd);
                if (!ok) break;
                continue;
            }
#endif
            std::ifstream in(PathFromText(name), std::ios::binary);
            if (!in) {
                std::cerr << "turfpad-cli: " << name << " を読み込めません\n";
                importer.Flush();
                return std::max(importer.Finish(), kUsage);
            }
            ok = importer.Source(in, name);
        }
        if (!ok) break;
    }
    return importer.Finish();
}

int Days(const Options& o) {
    if (!o.args.empty()) return Usage("days には引数がありません: " + o.args.front());
    for (const std::string& day : DayEntries(o.dataDir)) std::cout << Cp932ToUtf8(day) << '\n';
    return kOk;
}

}  // namespace turfpad::cli
