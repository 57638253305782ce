// The commands of turfpad-cli and what they share. They write UTF-8 text to std::cout and
// std::cerr; the output encoding is applied on the way out (OutputEncoding.h).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "OutputEncoding.h"

namespace turfpad::cli {

constexpr int kOk = 0;
constexpr int kRejected = 1;  // a record was rejected, or a file could not be written
constexpr int kUsage = 2;
constexpr int kIncomplete = 3;  // the race's data is not complete yet (the card is printed all the same)
constexpr int kNotFound = 4;    // the day's files are missing or damaged, or the race is not in the day
constexpr int kBusy = 5;        // import --no-wait: another program is filing into the data folder

// The options every command understands; everything else (the command's own flags among
// them) is left in `args`, in order.
struct Options {
    std::filesystem::path dataDir;     // --data DIR, by default the program's data folder
    std::optional<Encoding> encoding;  // --encoding (see ChooseOutputEncoding)
    std::vector<std::string> args;
};

bool ParseOptions(int argc, char** argv, Options& o, std::string& error);
// Prints the message and the usage to standard error; returns kUsage.
int Usage(const std::string& message = {});

int Import(const Options& o);
int Days(const Options& o);
int Sample(const Options& o);
int Card(const Options& o);
int Schedule(const Options& o);
int Form(const Options& o);
int Odds(const Options& o);
int Payouts(const Options& o);
int Pdf(const Options& o);
int Update(const Options& o);

}  // namespace turfpad::cli
