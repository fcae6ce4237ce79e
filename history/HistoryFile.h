#pragma once
// AEX.dat: one day entry per line, ascending, each line ended by CR LF. Reading fills missing
// days with "0,0" entries; writing replaces the file as a whole or not at all.

#include "history/DayEntry.h"

#include <string>
#include <string_view>

namespace History {

// The newest entries of the file are left out of the history at loading: the back-fill, the
// filling of the series and the quote download derive them again.
inline constexpr int HeldBackCount = 10;

struct ReadHistory
{
    EntryList entries;    // ascending, one entry for every day from the first to the last
    int skippedLines = 0; // lines that are not a day entry, and second lines of a day
};

// Reads the text of a history file. LF or CR LF line ends; a final line without one counts.
// Empty lines are passed over; a line whose day is not a whole number in 0 ... 65535 is skipped,
// and so is a line dated after `latestDay`: no day still to come has a value of its own (a clock
// set wrong wrote it), and a stray one would hold every later day in the future, so that no new
// day could ever be stored.
// Lines out of order are put in their place; of two lines for one day the first with a value
// is kept. Days missing between two lines get a "0,0" entry.
ReadHistory ReadHistoryText(std::string_view text, int latestDay = MaxDay);

enum class LoadStatus
{
    Read,        // the file was read in full
    ReadSkipped, // read, but some lines were not day entries (see ReadHistoryText)
    Missing,     // there is no file: an empty history
    Unreadable,  // the file exists but could not be read: an empty history
};

struct LoadedHistory
{
    LoadStatus status = LoadStatus::Missing;
    EntryList history;  // the file's entries without the newest HeldBackCount
    EntryList heldBack; // those newest entries, ascending
};

// Splits what was read into the history and the held-back newest entries.
LoadedHistory SplitHeldBack(EntryList entries, LoadStatus status);
LoadedHistory LoadHistoryFile(const std::string& path, int latestDay = MaxDay);

// The file's text: every entry followed by CR LF.
std::string HistoryFileText(const EntryList& entries);

enum class WriteStatus
{
    Written,
    Failed, // the previous file is left as it was
};

// Writes the file atomically: a new file is written, flushed and then put in place of the old
// one, so that a failed or interrupted write leaves the previous file whole. With keepBackup
// the previous file is first copied to path + ".bak". A failure is logged with qWarning.
WriteStatus WriteHistoryFile(const std::string& path, const EntryList& entries, bool keepBackup = false);

} // namespace History
