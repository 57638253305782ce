// The JV-Link control as the program drives it: the eight operations it uses, with their
// arguments, out-values and integer results exactly as the control reports them. Backends:
// ComJVLink (the real control on Windows) and LocalJVLink (a local stand-in elsewhere).
// Free of Qt, so that everything driving it can be tested without a screen.
#pragma once

#include <stdexcept>
#include <string>

namespace turfpad {

// A call that failed as a call (the control raised an error instead of answering with a
// result code). Callers do not catch it; it ends the current action.
class JVLinkCallError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The control's result codes that the program acts on or answers with itself. Their texts,
// and those of every other code, are in CodeTables.h (JVResultMessage).
namespace jvresult {
inline constexpr int kOk = 0;  // done (every operation)
// JVInit
inline constexpr int kSidMissing = -101;       // no software identifier
inline constexpr int kSidTooLong = -102;       // 64 bytes or more
inline constexpr int kSidLeadingBlank = -103;  // its first character is a blank
// JVSetUIProperties
inline constexpr int kSetupFailed = -100;  // invalid input, or the settings could not be saved
// JVOpen
inline constexpr int kNoNewData = -1;         // nothing newer than the time asked for
inline constexpr int kBadDataspec = -111;     // data kind
inline constexpr int kBadFromtime = -112;     // time to fetch from
inline constexpr int kBadKey = -114;          // JVRTOpen: the day or race asked for
inline constexpr int kBadOption = -115;       // option
inline constexpr int kNotInitialised = -201;  // no JVInit yet (JVStatus and JVRead too)
inline constexpr int kAlreadyOpen = -202;     // an acquisition is open (no JVClose yet)
inline constexpr int kBadSettings = -211;     // the control's settings are damaged
// JVRead (and JVStatus for its errors)
inline constexpr int kAllRead = 0;       // every file is read
inline constexpr int kFileEnd = -1;      // one file is finished, the next follows
inline constexpr int kNoRecordYet = -2;  // no record this time, call again
inline constexpr int kDownloading = -3;  // the next file is still being fetched, call again
inline constexpr int kNotOpen = -203;    // no JVOpen yet
inline constexpr int kDownloadFailed = -502;
inline constexpr int kFileMissing = -503;  // a fetched file is gone
}  // namespace jvresult

class JVLink {
  public:
    virtual ~JVLink() = default;

    // Initialises the control with the software identifier. 0 = ready; -101, -102, -103 for an
    // identifier it does not take (see jvresult).
    virtual int JVInit(const std::string& sid) = 0;

    // Shows the control's own settings dialog (service key, data folder). 0 = done (also
    // when the user cancels); -100 = invalid input or the settings could not be saved.
    virtual int JVSetUIProperties() = 0;

    // Opens an acquisition of `dataspec` ("RACE") for data newer than `fromtime`
    // ("yyyymmddhhnnss"). 0 = opened, -1 = nothing newer, other = error (-111 data kind,
    // -112 fromtime, -115 option, -201 not initialised, -202 already open, ...).
    // readCount: files to read; downloadCount: files still to fetch (0: all can be read at
    // once); lastFileTimestamp: "yyyymmddhhnnss" of the newest file, empty when there is none.
    virtual int JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount,
                       int& downloadCount, std::string& lastFileTimestamp) = 0;

    // Opens the race-day (realtime) data of `dataspec` ("0B15" race cards and results as
    // announced, "0B11" body weights, "0B14" changes, weather and going, "0B31" odds during
    // sales) for `key`: a day "yyyymmdd" or a race "yyyymmddjjkkhhrr" (course, meeting, day,
    // race). 0 = opened, read it with JVRead; -1 = nothing announced; other = error (-111 data
    // kind, -114 key, -201 not initialised, -202 already open, ...). JVClose must follow
    // whatever the result.
    virtual int JVRTOpen(const std::string& dataspec, const std::string& key) = 0;

    // Files fetched so far, 0 up to the download count; negative = error.
    virtual int JVStatus() = 0;

    // Hands out the next record (cp932 bytes ending in CR LF) in `buffer`. `size` is in/out:
    // pass the buffer's capacity; a longer record comes cut to it; on return `size` holds the
    // record's full length. So pass the capacity again before every call: the value left by
    // one call is the length of that record, and a longer record after it would come cut.
    // Result: above 0 = bytes placed in the buffer; 0 = all files read; -1 = one file
    // finished, the next follows; -3 = the next file is still being fetched, call again;
    // below -3 = error (-201 not initialised, -203 not open, -502 download failed, ...).
    // `fileName` names the file the record comes from.
    virtual int JVRead(std::string& buffer, int& size, std::string& fileName) = 0;

    // Stops a download in progress. The acquisition stays open until JVClose.
    virtual void JVCancel() = 0;

    // Ends the acquisition. 0 = closed.
    virtual int JVClose() = 0;
};

// The buffer capacity the program passes to JVRead.
inline constexpr int kJVReadBufferSize = 60000;

}  // namespace turfpad
