#pragma once
// Short notation for day entries in the history tests: L("100:1 101:0,0 102:2,5") is the list
// of the lines {"100 - 1", "101 - 0,0", "102 - 2,5"}; Lines({...}) and E("100 - 1") read lines,
// FileLines those of a file and FileText makes one; Consecutive and Flat make runs of days.

#include "history/DayEntry.h"

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QTest>

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(History::DayEntry)
Q_DECLARE_METATYPE(History::EntryList)

namespace QTest {
template <> inline char* toString(const std::string& text)
{
    return QTest::toString(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}
template <> inline char* toString(const History::DayEntry& entry)
{
    return QTest::toString(History::EntryLine(entry));
}
template <> inline char* toString(const History::EntryList& entries)
{
    QStringList texts;
    for (const History::DayEntry& entry : entries)
        texts << QString::fromStdString(History::EntryLine(entry));
    return QTest::toString(QLatin1Char('[') + texts.join(QStringLiteral(" | ")) + QLatin1Char(']'));
}
} // namespace QTest

// An entry as its line says it; "" is no entry (day NoDay).
inline History::DayEntry E(std::string_view line)
{
    return line.empty() ? History::DayEntry{} : History::ReadEntryLine(line);
}

inline History::EntryList Lines(std::initializer_list<std::string_view> lines)
{
    History::EntryList entries;
    for (const std::string_view line : lines)
        entries.push_back(History::ReadEntryLine(line));
    return entries;
}

// The line, for a failure message.
inline QByteArray LineOf(const History::DayEntry& entry)
{
    return QByteArray::fromStdString(History::EntryLine(entry));
}

inline History::EntryList L(const char* days)
{
    History::EntryList entries;
    for (const QString& token : QString::fromLatin1(days).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const auto colon = token.indexOf(QLatin1Char(':'));
        entries.push_back(History::MakeEntry(token.left(colon).toInt(), token.mid(colon + 1).toStdString()));
    }
    return entries;
}

// Consecutive days first ... last, each with the value day / 100 written with a comma ("100:1,00").
inline History::EntryList Consecutive(int first, int last)
{
    History::EntryList entries;
    for (int day = first; day <= last; ++day)
        entries.push_back(
            History::MakeEntry(day, QString::number(day / 100.0, 'f', 2).replace('.', ',').toStdString()));
    return entries;
}

// Consecutive days first ... last, each with `value` ("0,0": none).
inline History::EntryList Flat(int first, int last, const char* value)
{
    History::EntryList entries;
    for (int day = first; day <= last; ++day)
        entries.push_back(History::MakeEntry(day, value));
    return entries;
}

inline History::EntryList operator+(History::EntryList a, const History::EntryList& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The entries of a file's lines as they stand, none filled in or passed over; a CR before the
// LF is taken off.
inline History::EntryList FileLines(const QByteArray& text)
{
    History::EntryList entries;
    for (const QByteArray& line : text.split('\n'))
        if (!line.isEmpty())
            entries.push_back(
                History::ReadEntryLine(line.chopped(line.endsWith('\r') ? 1 : 0).toStdString()));
    return entries;
}

inline QByteArray FileText(const History::EntryList& entries)
{
    QByteArray text;
    for (const History::DayEntry& entry : entries)
        text += LineOf(entry) + "\r\n";
    return text;
}
