#pragma once

#include "transfer/Table.h"

#include <QDate>
#include <QLocale>
#include <QStringView>

#include <optional>
#include <vector>

// Reads the dates of a column the way people and programs write them: day, month and year
// with "/", "-" or "." and a two- or four-digit year ("3/3/27", "03.03.2027"), ISO with or
// without a time ("2027-03-03", "2027-03-03 10:30:00"), eight digits ("20270303"),
// spreadsheet serial numbers, and month names in Italian or English ("3 marzo 2027",
// "3-mar-27", "March 3, 2027"). A time of day may follow any of them.
//
// Whether "03/04/2027" is the 3rd of April or the 4th of March is decided for the whole column:
// the order that reads every value wins; when both read every value and some value means two
// different days, the column is ambiguous and the locale's order is taken until the user
// says otherwise.
namespace DateReading {

enum class Order { DayFirst, MonthFirst };

struct Value {
    QDate date;
    // Milliseconds into the day, when the text had a time of day.
    std::optional<qint64> msOfDay;
};

// The order the locale writes short dates in (it_IT day first, en_US month first).
Order orderOf(const QLocale& locale);

// One value, or nothing when no format reads it. Two-digit years fall within fifty years
// after `now`'s year and the fifty before.
std::optional<Value> read(QStringView input, Order order, DateSystem system, int currentYear);

struct ColumnFormat {
    Order order = Order::DayFirst;
    // Both orders read every value and at least one of them gives two different days.
    bool ambiguous = false;
    // Non-empty values that the chosen order does not read.
    int unreadable = 0;
};

ColumnFormat detect(const std::vector<QStringView>& values, Order localeOrder, DateSystem system,
                    int currentYear);

} // namespace DateReading
