// Races as the printing code takes them, built from field values in cp932 at their stored widths.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "browse/PrintedRace.h"
#include "text/Cp932.h"

namespace turfpad::testing {

// A runner as a race entry holds it: fields in cp932 at their stored widths.
inline PrintedRunner Runner(int post, int number, std::string_view nameUtf8 = "ホース", std::string sex = "1",
                            std::string age = "04", std::string weight = "550", std::string blinker = " ",
                            std::string apprentice = " ") {
    PrintedRunner r;
    r.postPosition = std::to_string(post);
    char num[8];
    std::snprintf(num, sizeof num, "%02d", number);
    r.horseNumber = num;
    std::string name = Utf8ToCp932(nameUtf8);
    while (name.size() + 2 <= 19) name += "\x81\x40";
    r.horseName = PadBytes(name, 19);
    r.sex = sex;
    r.weight = weight;
    r.jockey = Utf8ToCp932("騎手太郎");
    r.trainer = Utf8ToCp932("調教師名");
    r.blinker = blinker;
    r.apprentice = apprentice;
    r.age = age;
    return r;
}

// A race with runners in the given post positions (horse numbers 1, 2, ...).
// The key is 2024-05-26, Tokyo, meeting 02, day 08 unless `keyHead` (14 characters) says.
inline PrintedRace Race(int raceNumber, const std::vector<int>& posts = {1, 2},
                        const std::string& keyHead = "20240526050208") {
    PrintedRace race;
    race.raceKey = keyHead;
    char rn[8];
    std::snprintf(rn, sizeof rn, "%02d", raceNumber);
    race.raceKey += rn;
    race.raceName = PadBytes(Utf8ToCp932("東京優駿"), 60);
    race.weightType = "3";
    race.raceCondition = "999";
    race.distance = "2400";
    race.track = "11";
    race.postTime = "1540";
    char hc[8];
    std::snprintf(hc, sizeof hc, "%02d", static_cast<int>(posts.size()));
    race.headCount = hc;
    for (std::size_t i = 0; i < posts.size(); ++i) race.runners.push_back(Runner(posts[i], static_cast<int>(i) + 1));
    return race;
}

}  // namespace turfpad::testing
