#pragma once

#include <QString>
#include <QStringView>

// Splits a whole name held in one column into first and last name. "Rossi, Mario" is always
// last name first. Otherwise the column's order decides; a surname particle (De, Di, Del,
// Della, Da, Lo, La, Van, Von...) begins the last name: "Anna Maria De Luca" is "Anna Maria"
// and "De Luca". A single word is taken as the last name, by which lists sort.
namespace FullNameSplitter {

struct Parts {
    QString firstName;
    QString lastName;
};

Parts split(QStringView fullName, bool lastNameFirst = false);

} // namespace FullNameSplitter
