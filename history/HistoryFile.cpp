#include "history/HistoryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QtDebug>
#include <algorithm>
#include <utility>

namespace History {

namespace {

std::string_view TrimLine(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    return line;
}

// Counts " - <number>" with a number of 0.1 or more, wherever it stands: how many values the
// text carries, whatever its line ends and whatever stands before the separator.
int CountValueMarks(std::string_view text)
{
    int marks = 0;
    for (std::size_t at = text.find(" -"); at != std::string_view::npos; at = text.find(" -", at + 2)) {
        std::size_t i = at + 2;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        bool value = false;
        bool digits = false;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            digits = true;
            value = value || text[i] != '0';
        }
        if (digits && !value && i + 1 < text.size() && (text[i] == ',' || text[i] == '.'))
            value = text[i + 1] >= '1' && text[i + 1] <= '9';
        if (value)
            ++marks;
    }
    return marks;
}

QString FromPath(const std::string& path)
{
    return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
}

WritePause writePause = nullptr;

bool WriteText(QSaveFile& file, std::string_view text)
{
    return file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

} // namespace

ReadHistory ReadHistoryText(std::string_view text, int latestDay)
{
    ReadHistory result;
    constexpr std::string_view ByteOrderMark("\xEF\xBB\xBF");
    if (text.substr(0, ByteOrderMark.size()) == ByteOrderMark)
        text.remove_prefix(ByteOrderMark.size());
    result.valueMarks = CountValueMarks(text);
    EntryList lines;
    lines.reserve(text.size() / 14 + 1);
    std::size_t position = 0;
    while (position < text.size()) {
        // A plain scan: find_first_of asks the set of two for each character.
        std::size_t end = position;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        const std::string_view line = TrimLine(text.substr(position, end - position));
        position = end + 1; // a CR LF pair leaves an empty line between, which is passed over
        if (line.empty())
            continue;
        result.anyText = true;
        DayEntry entry = ReadEntryLine(line);
        if (entry.day == NoDay || entry.day > latestDay) {
            ++result.skippedLines;
            continue;
        }
        if (!lines.empty() && entry.day <= lines.back().day) {
            DayEntry& newest = lines.back();
            const bool valueForEmptyDay = entry.day == newest.day && !HasValue(newest) && HasValue(entry);
            if (valueForEmptyDay || entry.day != newest.day || !(entry == newest))
                ++result.skippedLines;
            if (valueForEmptyDay)
                newest = std::move(entry);
            continue;
        }
        lines.push_back(std::move(entry));
    }

    // Every day from the first to the last, as the program writes the file: the lines are the
    // entries. Otherwise the days between get no value.
    if (lines.empty() || static_cast<std::size_t>(lines.back().day - lines.front().day) + 1 == lines.size()) {
        result.entries = std::move(lines);
        return result;
    }
    result.entries.reserve(static_cast<std::size_t>(lines.back().day - lines.front().day) + 1);
    int previous = lines.front().day - 1;
    for (DayEntry& line : lines) {
        for (int day = previous + 1; day < line.day; ++day)
            result.entries.push_back(MakeEntry(day, NoValue));
        previous = line.day;
        result.entries.push_back(std::move(line));
    }
    return result;
}

bool LostManyValues(const ReadHistory& read)
{
    if (read.anyText && read.entries.empty())
        return true;
    const auto valued = std::count_if(read.entries.begin(), read.entries.end(),
                                      [](const DayEntry& entry) { return HasValue(entry); });
    const long lost = read.valueMarks - static_cast<long>(valued);
    return lost >= 10 && lost * 100 >= read.valueMarks;
}

LoadedHistory SplitHeldBack(EntryList entries, LoadStatus status)
{
    LoadedHistory loaded;
    loaded.status = status;
    const auto keep = entries.size() - std::min<std::size_t>(entries.size(), HeldBackCount);
    loaded.heldBack.assign(std::make_move_iterator(entries.begin() + static_cast<std::ptrdiff_t>(keep)),
                           std::make_move_iterator(entries.end()));
    for (DayEntry& entry : loaded.heldBack)
        entry.origin = Origin::HeldBack;
    entries.resize(keep);
    loaded.history = std::move(entries);
    return loaded;
}

LoadedHistory LoadHistoryFile(const std::string& path, int latestDay)
{
    const QString fileName = FromPath(path);
    const QFileInfo info(fileName);
    if (!info.exists() && !info.isSymLink()) {
        qWarning("No history file %s: starting with an empty history", qUtf8Printable(fileName));
        return SplitHeldBack({}, LoadStatus::Missing);
    }
    // Only a regular file is opened: a named pipe would wait for a writer for ever.
    QFile file(fileName);
    QByteArray bytes;
    if (info.isFile() && file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!info.isFile() || !file.isOpen() || file.error() != QFileDevice::NoError) {
        qWarning("History file %s could not be read (%s): starting with an empty history",
                 qUtf8Printable(fileName),
                 qUtf8Printable(info.isDir()     ? QStringLiteral("a folder")
                                : !info.isFile() ? QStringLiteral("not a regular file")
                                                 : file.errorString()));
        return SplitHeldBack({}, LoadStatus::Unreadable);
    }
    ReadHistory read = ReadHistoryText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), latestDay);
    LoadStatus status = read.skippedLines > 0 ? LoadStatus::ReadSkipped : LoadStatus::Read;
    if (read.skippedLines > 0)
        qWarning("History file %s: %d lines were not day entries, were not later than the line before "
                 "them or were dated far ahead, and were passed over",
                 qUtf8Printable(fileName), read.skippedLines);
    if (LostManyValues(read)) {
        status = LoadStatus::ReadLost;
        qWarning("History file %s carries %d values, but only %d days with a value (or no day entry at all) "
                 "were read from it: it is kept under a name of its own before it is written again",
                 qUtf8Printable(fileName), read.valueMarks,
                 int(std::count_if(read.entries.begin(), read.entries.end(),
                                   [](const DayEntry& entry) { return HasValue(entry); })));
    }
    return SplitHeldBack(std::move(read.entries), status);
}

std::string HistoryFileText(const EntryList& entries)
{
    std::size_t size = 0;
    for (const DayEntry& entry : entries)
        size += EntryLineLength(entry) + 2;
    std::string text(size, '\n');
    char* out = text.data();
    for (const DayEntry& entry : entries) {
        out = WriteEntryLine(out, entry);
        *out++ = '\r';
        ++out; // the line feed stands there already
    }
    return text;
}

std::string KeptBackupPath(const std::string& path, const QDateTime& moment)
{
    const std::string stem = path + "." + moment.toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
    std::string name = stem + ".bak";
    for (int number = 2; QFileInfo::exists(FromPath(name)) || QFileInfo(FromPath(name)).isSymLink(); ++number)
        name = stem + "-" + std::to_string(number) + ".bak";
    return name;
}

WriteStatus WriteHistoryFile(const std::string& path, const EntryList& entries, Backup backup,
                             const QDateTime& moment, std::string* keptBackup)
{
    const QString fileName = FromPath(path);
    const auto fail = [&](const QString& reason) {
        qWarning("History file %s was not written (%s); the previous file is left as it was",
                 qUtf8Printable(fileName), qUtf8Printable(reason));
        return WriteStatus::Failed;
    };
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    if (backup != Backup::None && QFileInfo(fileName).isFile()) {
        const QString replaceable = fileName + QStringLiteral(".bak");
        QFile::remove(replaceable);
        if (!QFile::copy(fileName, replaceable))
            qWarning("No backup %s of the history file could be made", qUtf8Printable(replaceable));
        if (backup == Backup::Kept) {
            const std::string kept =
                KeptBackupPath(path, moment.isValid() ? moment : QDateTime::currentDateTime());
            if (!QFile::copy(fileName, FromPath(kept)))
                return fail(QStringLiteral("no backup %1 could be made").arg(FromPath(kept)));
            qWarning("History file %s was kept as %s", qUtf8Printable(fileName), kept.c_str());
            if (keptBackup)
                *keptBackup = kept;
        }
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    const std::string text = HistoryFileText(entries);
    const std::string_view all(text);
    bool written = WriteText(file, all.substr(0, all.size() / 2));
    if (written && writePause) {
        written = file.flush(); // the half written so far is in the new file while it pauses
        writePause();
    }
    if (written)
        written = WriteText(file, all.substr(all.size() / 2));
    if (!written) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return WriteStatus::Written;
}

bool IsSaveLeftoverName(const QString& name, const QString& fileName)
{
    constexpr int Letters = 6;
    if (name.size() != fileName.size() + 1 + Letters || !name.startsWith(fileName + QLatin1Char('.')))
        return false;
    int upper = 0;
    for (const QChar c : name.right(Letters)) {
        if (!((c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))))
            return false;
        upper += c.isUpper() ? 1 : 0;
    }
    const bool capitalised = upper == 1 && name.at(fileName.size() + 1).isUpper();
    return upper != 0 && upper != Letters && !capitalised;
}

QStringList RemoveSaveLeftovers(const QString& folder, const QString& fileName)
{
    QStringList removed;
    const QDir dir(folder);
    // Each name checked here, not by a wildcard filter: that builds a regular expression, whose
    // stack stays with the calling thread (the start calls this on a thread of its own, and on
    // Windows such a stack crashed that thread's exit).
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (info.isSymLink() || !info.isFile() || !IsSaveLeftoverName(info.fileName(), fileName))
            continue;
        if (QFile::remove(info.filePath()))
            removed << info.fileName();
    }
    return removed;
}

void SetWritePause(WritePause pause)
{
    writePause = pause;
}

} // namespace History
