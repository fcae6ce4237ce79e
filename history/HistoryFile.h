#pragma once
// AEX.dat: one day entry per line, ascending, each line ended by CR LF. Reading fills missing
// days with "0,0" entries; writing replaces the file as a whole or not at all, and keeps the
// previous file as a backup where reading passed over some of it.

#include "history/DayEntry.h"

#include <QDateTime>
#include <QStringList>
#include <string>
#include <string_view>

namespace History {

// The newest entries of the file are left out of the history at loading: the back-fill, the
// filling of the series and the quote download derive them again.
inline constexpr int HeldBackCount = 10;

struct ReadHistory
{
    EntryList entries;    // ascending, one entry for every day from the first to the last
    int skippedLines = 0; // lines that are not a day entry, and lines that are not later than
                          // the line before them
    int valueMarks = 0;   // " - <value of 0.1 or more>" in the text, however its lines end
    bool anyText = false; // the text holds more than blanks and line ends
};

// Reads the text of a history file. CR LF, LF or CR line ends; a final line without one counts;
// a UTF-8 byte-order mark in front is passed over. Empty lines are passed over; a line whose day
// is not a whole number in 0 ... 65535 is skipped, and so is a line dated after `latestDay`: no
// day still to come has a value of its own (a clock set wrong wrote it), and a stray one would
// hold every later day in the future, so that no new day could ever be stored.
// A line whose day is not later than the newest day read so far is dropped: an older line put
// in its place would fill every day between with "0,0" for good. A second line of a day
// replaces the first only when the first has no value. Days missing between two lines get a
// "0,0" entry.
ReadHistory ReadHistoryText(std::string_view text, int latestDay = MaxDay);

// Whether reading gave markedly fewer days with a value than the text carries values: the text
// held something but not one day entry, or at least 10 of its values, and at least 1 in 100,
// did not come out as a day with a value. The reader then misunderstood the file (line ends,
// an encoding), and the file must be kept as it is before it is replaced.
bool LostManyValues(const ReadHistory& read);

enum class LoadStatus
{
    Read,        // the file was read in full
    ReadSkipped, // read, but some lines were not day entries (see ReadHistoryText)
    ReadLost,    // read, but with markedly fewer days with a value than the file (LostManyValues)
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

enum class Backup
{
    None,
    Replaceable, // the previous file is copied to path + ".bak", over an older backup
    Kept,        // also to a name with the time (KeptBackupPath) that no later write reuses;
                 // without that copy nothing is written
};

// The history's backup that later writes leave alone: "AEX.dat.20260220-120000.bak", with
// "-2", "-3", ... before ".bak" when that name is taken.
std::string KeptBackupPath(const std::string& path, const QDateTime& moment);

// Writes the file atomically: a new file is written, flushed and then put in place of the old
// one, so that a failed or interrupted write leaves the previous file whole. A failure is
// logged with qWarning. `keptBackup`, when given, receives the name of the kept backup.
WriteStatus WriteHistoryFile(const std::string& path, const EntryList& entries, Backup backup = Backup::None,
                             const QDateTime& moment = {}, std::string* keptBackup = nullptr);

// Called in the middle of every WriteHistoryFile, once the first half of the text is in the new
// file: a test program sets one that pauses there, so that a test can kill it inside the write.
// The program never sets one. Set it before the first write; nullptr (the default) for none.
using WritePause = void (*)();
void SetWritePause(WritePause pause);

// The names an interrupted atomic write leaves beside `fileName`: fileName + "." + six letters.
// Six letters that read as a word ("backup", "Backup", "BACKUP") are left alone: a user may have
// chosen that name, and a leftover is only litter.
bool IsSaveLeftoverName(const QString& name, const QString& fileName);
// Removes those leftovers (regular files only) from `folder`; returns the names removed.
QStringList RemoveSaveLeftovers(const QString& folder, const QString& fileName);

} // namespace History
