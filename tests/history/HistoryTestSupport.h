#pragma once
// Short notation for day entries in the history tests: L("100:1 101:0,0 102:2,5") is the list
// {"100 - 1", "101 - 0,0", "102 - 2,5"}.

#include "history/DayEntry.h"

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QTest>

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(History::EntryList)

namespace QTest {
template <> inline char* toString(const std::string& text)
{
    return QTest::toString(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}
template <> inline char* toString(const History::EntryList& entries)
{
    QStringList texts;
    for (const std::string& entry : entries)
        texts << QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size()));
    return QTest::toString(QLatin1Char('[') + texts.join(QStringLiteral(" | ")) + QLatin1Char(']'));
}
} // namespace QTest

inline std::string S(const char* text)
{
    return text;
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

inline QByteArray FileText(const History::EntryList& entries)
{
    QByteArray text;
    for (const std::string& entry : entries)
        text += QByteArray::fromStdString(entry) + "\r\n";
    return text;
}
