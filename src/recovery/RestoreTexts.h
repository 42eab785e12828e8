#pragma once

#include "ui/Confirmation.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTimeZone>

struct RestoreOutcome;
struct StoreFileReport;

// What the backup screens say, in one place: a backup's date and time, its counts, why a file
// cannot be restored, the question asked before a restore and what a restore did.
namespace RestoreTexts {

// "10 marzo 2026, 10:30": the long date without its weekday, as the rest of the program writes
// it, and the time.
QString dateTime(const QDateTime& local, const QLocale& locale);
// When a backup was written: the date and time of an automatic backup's name, else the file's
// modification, read in the zone.
QString dateOf(const QString& path, const QTimeZone& zone, const QLocale& locale);
// "1 polizza", "12 polizze"; "1 contatto", "3 contatti".
QString policies(qint64 count, const QLocale& locale);
QString contacts(qint64 count, const QLocale& locale);
// Why a file cannot be restored, as a sentence; empty for a whole store.
QString refusal(const StoreFileReport& report);
// The question before a restore: what the backup holds and what the store holds now.
Confirmation::Question question(const QString& date, const StoreFileReport& backup,
                                qint64 policiesNow, qint64 contactsNow, const QLocale& locale);
// What a restore did, for the main window's notice.
QString restored(const QString& date, const RestoreOutcome& outcome, const QLocale& locale);

} // namespace RestoreTexts
