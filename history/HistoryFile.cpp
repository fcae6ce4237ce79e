#include "history/HistoryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <QtDebug>
#include <algorithm>
#include <charconv>
#include <utility>

namespace History {

namespace {

struct Line
{
    int day;
    std::string text;
};

std::string_view TrimLine(std::string_view line)
{
    while (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    return line;
}

// The day written without leading zeros, so that the text order of entries stays their day order.
std::string CanonicalEntry(std::string_view line, int day)
{
    char digits[8];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, day);
    const std::string_view dayText(digits, static_cast<std::size_t>(end - digits));
    if (line.substr(0, dayText.size()) == dayText && line.size() > dayText.size() &&
        line[dayText.size()] == ' ')
        return std::string(line);
    return std::string(dayText) + std::string(line.substr(line.find(' ')));
}

// Puts lines out of order in their place; of several lines for one day keeps the first with a
// value (or the first). Returns how many differing lines were dropped.
int SortAndMerge(std::vector<Line>& lines)
{
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.day < b.day; });
    int dropped = 0;
    std::vector<Line> merged;
    merged.reserve(lines.size());
    for (std::size_t first = 0; first < lines.size();) {
        std::size_t last = first;
        while (last < lines.size() && lines[last].day == lines[first].day)
            ++last;
        std::size_t kept = first;
        for (std::size_t i = first; i < last; ++i) {
            if (HasValue(lines[i].text)) {
                kept = i;
                break;
            }
        }
        for (std::size_t i = first; i < last; ++i)
            if (i != kept && lines[i].text != lines[kept].text)
                ++dropped;
        merged.push_back(std::move(lines[kept]));
        first = last;
    }
    lines = std::move(merged);
    return dropped;
}

QString FromPath(const std::string& path)
{
    return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
}

// Test hook: with KOERSZICHT_TEST_HISTORY_WRITE_PAUSE_MS set, a write pauses half-way so that a
// test can kill the program in the middle of it.
void PauseHalfWayForTest(QSaveFile& file)
{
    const int milliseconds = qEnvironmentVariableIntValue("KOERSZICHT_TEST_HISTORY_WRITE_PAUSE_MS");
    if (milliseconds <= 0)
        return;
    file.flush();
    qWarning("History file write paused half-way for a test");
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

bool WriteText(QSaveFile& file, std::string_view text)
{
    return file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

} // namespace

ReadHistory ReadHistoryText(std::string_view text, int latestDay)
{
    ReadHistory result;
    std::vector<Line> lines;
    lines.reserve(text.size() / 14 + 1);
    bool ascending = true;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = TrimLine(text.substr(position, end - position));
        position = end + 1;
        if (line.empty())
            continue;
        const int day = EntryDay(line);
        if (day == NoDay || day > latestDay) {
            ++result.skippedLines;
            continue;
        }
        if (!lines.empty() && day <= lines.back().day)
            ascending = false;
        lines.push_back({day, CanonicalEntry(line, day)});
    }
    if (!ascending)
        result.skippedLines += SortAndMerge(lines);

    if (!lines.empty())
        result.entries.reserve(static_cast<std::size_t>(lines.back().day - lines.front().day) + 1);
    int previous = lines.empty() ? 0 : lines.front().day - 1;
    for (Line& line : lines) {
        for (int day = previous + 1; day < line.day; ++day)
            result.entries.push_back(MakeEntry(day, NoValue));
        result.entries.push_back(std::move(line.text));
        previous = line.day;
    }
    return result;
}

LoadedHistory SplitHeldBack(EntryList entries, LoadStatus status)
{
    LoadedHistory loaded;
    loaded.status = status;
    const auto keep = entries.size() - std::min<std::size_t>(entries.size(), HeldBackCount);
    loaded.heldBack.assign(std::make_move_iterator(entries.begin() + static_cast<std::ptrdiff_t>(keep)),
                           std::make_move_iterator(entries.end()));
    entries.resize(keep);
    loaded.history = std::move(entries);
    return loaded;
}

LoadedHistory LoadHistoryFile(const std::string& path, int latestDay)
{
    const QString fileName = FromPath(path);
    const QFileInfo info(fileName);
    if (!info.exists()) {
        qWarning("No history file %s: starting with an empty history", qUtf8Printable(fileName));
        return SplitHeldBack({}, LoadStatus::Missing);
    }
    QFile file(fileName);
    QByteArray bytes;
    if (!info.isDir() && file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (info.isDir() || !file.isOpen() || file.error() != QFileDevice::NoError) {
        qWarning("History file %s could not be read (%s): starting with an empty history",
                 qUtf8Printable(fileName),
                 qUtf8Printable(info.isDir() ? QStringLiteral("a folder") : file.errorString()));
        return SplitHeldBack({}, LoadStatus::Unreadable);
    }
    ReadHistory read = ReadHistoryText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), latestDay);
    if (read.skippedLines > 0)
        qWarning(
            "History file %s: %d lines were not day entries (or were dated far ahead) and were passed over",
            qUtf8Printable(fileName), read.skippedLines);
    return SplitHeldBack(std::move(read.entries),
                         read.skippedLines > 0 ? LoadStatus::ReadSkipped : LoadStatus::Read);
}

std::string HistoryFileText(const EntryList& entries)
{
    std::size_t size = 0;
    for (const std::string& entry : entries)
        size += entry.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& entry : entries) {
        text += entry;
        text += "\r\n";
    }
    return text;
}

WriteStatus WriteHistoryFile(const std::string& path, const EntryList& entries, bool keepBackup)
{
    const QString fileName = FromPath(path);
    const auto fail = [&](const QString& reason) {
        qWarning("History file %s was not written (%s); the previous file is left as it was",
                 qUtf8Printable(fileName), qUtf8Printable(reason));
        return WriteStatus::Failed;
    };
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    if (keepBackup && QFileInfo(fileName).isFile()) {
        const QString backup = fileName + QStringLiteral(".bak");
        QFile::remove(backup);
        if (!QFile::copy(fileName, backup))
            qWarning("No backup %s of the history file could be made", qUtf8Printable(backup));
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    const std::string text = HistoryFileText(entries);
    const std::string_view all(text);
    bool written = WriteText(file, all.substr(0, all.size() / 2));
    if (written) {
        PauseHalfWayForTest(file);
        written = WriteText(file, all.substr(all.size() / 2));
    }
    if (!written) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return WriteStatus::Written;
}

} // namespace History
