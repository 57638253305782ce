// The demo programme the local JV-Link stand-in serves when it has no source folder: the
// race cards (RA and SE records) of the Saturday and Sunday of one week at the two or three
// racecourses JRA's calendar has racing in that season, 12 races each, with the odds of every
// race (O1) as they stand shortly before the off; and for earlier weeks the same races with
// their results (data category "7"), their final odds and their payouts (HR). The runners come
// from one stable of horses that run again every few weeks in races that suit them, so the
// weeks together give each horse a history. Everything, file time stamps included, follows
// from the week alone.
#pragma once

#include <chrono>
#include <vector>

#include "jvlink/JvdFiles.h"

namespace turfpad {

// The Monday of the week (Monday to Sunday) holding the day.
std::chrono::sys_days MondayOf(std::chrono::sys_days day);

// The programme of the week holding `anyDay`, its files in time-stamp order: for Saturday,
// then Sunday, the RA, SE and O1 files. The time stamps are Monday 00:00:01, 00:00:02, ... of
// that week; the records' creation date is that Monday. The odds are intermediate ones
// (データ区分 "1"), announced on the race day ten minutes before the post time, every runner
// priced. One race of the week lacks one runner of its head count, as a race whose data is
// not complete yet.
std::vector<JvdFile> DemoProgramme(std::chrono::sys_days anyDay);

// The same races of the week with their results (data category "7"), as delivered once
// Sunday's racing is over: the RA and SE files of each day, then each day's final odds (O1,
// データ区分 "4", the same win odds and popularity as the results) and payouts (HR, データ区分
// "2"), stamped 18:00:01, 18:00:02, ... of that Sunday, the records' creation date that
// Sunday. The odds and payouts draw on a random stream of their own, so that the RA and SE
// records do not depend on them.
std::vector<JvdFile> DemoResults(std::chrono::sys_days anyDay);

// `weeks` weeks ending with the week holding `anyDay`: the results of the earlier weeks,
// oldest first, then the race cards of that week.
std::vector<JvdFile> DemoWeeks(std::chrono::sys_days anyDay, int weeks);

// Post positions as the draw gives them, for horse numbers 1..headCount: up to 8 runners
// each have a post of their own; beyond 8 every post has headCount / 8 runners, rounded down
// or up, the posts with the extra runner being the highest ones.
std::vector<int> PostPositions(int headCount);

}  // namespace turfpad
