#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The three renewal cycles a policy can have, as the store names them ("yearly", "quarterly",
// "monthly"), and the words a file may use for them.
namespace RenewalCycle {

// "annuale", "Trimestrale", "mensile", "yearly", "Quarterly", "12 mesi"... to the stored name;
// nothing for a word the program has no cycle for ("semestrale").
std::optional<QString> fromWord(QStringView word);

// The word an export writes: "annuale", "trimestrale", "mensile"; any other stored text as it
// is.
QString word(const QString& renewalType);

// The name the import sheet shows for a cycle: "Annuale", "Trimestrale", "Mensile".
QString label(const QString& renewalType);

} // namespace RenewalCycle
