#include "transfer/ImportPlan.h"

#include "model/CalendarMath.h"
#include "model/PolicyRules.h"
#include "transfer/ContactMatcher.h"
#include "transfer/FormulaGuard.h"
#include "transfer/FullNameSplitter.h"
#include "transfer/RenewalCycle.h"
#include "transfer/TaskControl.h"
#include "transfer/TextKey.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <array>

namespace {

using F = ImportField;
constexpr qint64 kDefaultTimeOfDayMs = qint64{9} * 3'600'000;
constexpr qsizetype kProgressRows = 512;
constexpr char16_t kReplacement = 0xFFFD;
constexpr size_t kFieldCount = size_t(F::ContactNotes) + 1;

bool blank(QStringView text) {
    return text.trimmed().isEmpty();
}

// The columns of each field, in the file's order.
using FieldColumns = std::array<std::vector<qsizetype>, kFieldCount>;

FieldColumns columnsOf(const ColumnMap& map) {
    FieldColumns columns;
    for (size_t i = 0; i < map.size(); ++i) {
        columns[size_t(map[i])].push_back(qsizetype(i));
    }
    return columns;
}

struct Cells {
    std::array<QString, kFieldCount> values;
    bool replaced = false;

    const QString& operator[](F field) const { return values[size_t(field)]; }
};

// The first non-blank cell of each field. A CSV cell loses the apostrophe that kept it from
// being read as a formula.
Cells cellsOf(const TableRow& row, const FieldColumns& columns, bool csv) {
    Cells cells;
    for (size_t field = 1; field < kFieldCount; ++field) {
        for (const qsizetype column : columns[field]) {
            const QStringView cell = row.cell(column);
            if (blank(cell)) {
                continue;
            }
            QString value = cell.toString();
            if (csv) {
                value = FormulaGuard::unguarded(value);
            }
            cells.replaced = cells.replaced || value.contains(QChar(kReplacement));
            cells.values[field] = std::move(value);
            break;
        }
    }
    return cells;
}

ContactValues contactOf(const Cells& cells) {
    ContactValues contact{cells[F::FirstName], cells[F::LastName], cells[F::Company],
                          cells[F::Phone],     cells[F::Email],    cells[F::ContactNotes]};
    for (const F whole : {F::FullName, F::FullNameLastFirst}) {
        if (!cells[whole].isEmpty()) {
            const FullNameSplitter::Parts parts =
                FullNameSplitter::split(cells[whole], whole == F::FullNameLastFirst);
            contact.firstName = contact.firstName.isEmpty() ? parts.firstName : contact.firstName;
            contact.lastName = contact.lastName.isEmpty() ? parts.lastName : contact.lastName;
        }
    }
    return contact;
}

bool hasPolicyValues(const Cells& cells) {
    for (size_t field = 0; field < kFieldCount; ++field) {
        if (ImportFields::isPolicyField(F(field)) && !cells.values[field].isEmpty()) {
            return true;
        }
    }
    return false;
}

// The reminder text of a row: as written when the editor reads every comma-separated piece;
// otherwise the whole numbers found in it, joined as the editor writes them.
QString reminderText(const QString& text, QStringList& notes) {
    const QStringList pieces = text.split(u',', Qt::SkipEmptyParts);
    qsizetype filled = 0;
    for (const QString& piece : pieces) {
        filled += blank(piece) ? 0 : 1;
    }
    if (qsizetype(PolicyRules::parseReminderDays(text).size()) == filled) {
        return text;
    }
    static const QRegularExpression separators(QStringLiteral("[,;/|\\s]+"));
    static const QRegularExpression integer(QStringLiteral("^[+-]?\\d{1,18}$"));
    QStringList numbers;
    for (const QString& piece : text.split(separators, Qt::SkipEmptyParts)) {
        if (integer.match(piece).hasMatch()) {
            numbers.append(piece);
        }
    }
    if (numbers.isEmpty()) {
        notes.append(QStringLiteral("Giorni di promemoria «%1» non letti: presi 30").arg(text));
        return QStringLiteral("30");
    }
    QString read = numbers.join(QStringLiteral(", "));
    notes.append(QStringLiteral("Giorni di promemoria «%1» letti come «%2»").arg(text, read));
    return read;
}

} // namespace

DateReading::ColumnFormat ImportPlan::expiryFormat(const Table& table,
                                                   const ImportSettings& settings,
                                                   DateReading::Order localeOrder) {
    const FieldColumns columns = columnsOf(settings.columns);
    std::vector<QString> texts;
    const size_t first = settings.hasHeader ? 1 : 0;
    for (size_t i = first; i < table.rows.size(); ++i) {
        for (const qsizetype column : columns[size_t(F::ExpirationDate)]) {
            const QStringView cell = table.rows[i].cell(column);
            if (!blank(cell)) {
                texts.push_back(cell.toString());
                break;
            }
        }
    }
    const std::vector<QStringView> values(texts.begin(), texts.end());
    return DateReading::detect(values, localeOrder, table.source.dateSystem, settings.currentYear);
}

ImportPlan ImportPlan::make(const Table& table, const ImportSettings& settings,
                            const BookIndex& book, TaskControl* control) {
    using Duplicates = ImportSettings::Duplicates;
    ImportPlan plan;
    plan.m_firstRow = settings.hasHeader && !table.rows.empty() ? 1 : 0;
    const FieldColumns columns = columnsOf(settings.columns);
    const bool csv = table.source.format == SourceFormat::Csv;
    const bool update = settings.duplicates == Duplicates::Update;

    // Stored clients first: a candidate's number is its contact target's.
    ContactMatcher matcher;
    for (const BookIndex::StoredContact& stored : book.contacts) {
        plan.m_contacts.push_back({stored.id, stored.values});
        matcher.add(stored.values);
    }
    QHash<QString, int> targetOfNumber;
    QSet<QString> categories;
    if (control) {
        control->setTotal(qint64(table.rows.size()));
    }
    plan.m_rows.reserve(table.rows.size() - size_t(plan.m_firstRow));
    for (size_t index = size_t(plan.m_firstRow); index < table.rows.size(); ++index) {
        if (control && index % kProgressRows == 0) {
            control->setDone(qint64(index));
            if (control->isCancelled()) {
                plan = ImportPlan();
                plan.m_cancelled = true;
                return plan;
            }
        }
        const TableRow& source = table.rows[index];
        Row& row = plan.m_rows.emplace_back();
        row.line = source.line();
        const auto refuse = [&](const QString& reason) {
            row.verdict = Verdict::Refused;
            row.notes = QStringList{reason};
        };
        if (!source.problem().isEmpty()) {
            refuse(source.problem());
            continue;
        }
        const Cells cells = cellsOf(source, columns, csv);
        const ContactValues contact = contactOf(cells);
        const bool isPolicy = hasPolicyValues(cells);
        if (!isPolicy && contact.isEmpty()) {
            continue;
        }
        if (cells.replaced) {
            row.notes.append(QStringLiteral("Caratteri non leggibili nella codifica scelta, "
                                            "mostrati come \uFFFD"));
        }
        PolicyValues values;
        int target = -1;
        std::optional<QUuid> stored;
        if (isPolicy) {
            values.policyNumber = cells[F::PolicyNumber];
            const QString number = values.policyNumber.trimmed();
            if (number.isEmpty()) {
                refuse(QStringLiteral("Manca il numero di polizza"));
                continue;
            }
            target = targetOfNumber.value(number, -1);
            if (target < 0 && book.policyNumbers.contains(number)) {
                stored = book.policyNumbers.value(number);
            }
            if (!update && target >= 0) {
                refuse(QStringLiteral("Numero di polizza %1 già alla riga %2")
                           .arg(number)
                           .arg(plan.m_policies[size_t(target)].firstLine));
                continue;
            }
            if (!update && stored) {
                refuse(QStringLiteral("La polizza %1 è già nell'archivio").arg(number));
                continue;
            }
            const bool updating = target >= 0 || stored.has_value();
            values.name = cells[F::PolicyName];
            values.provider = cells[F::Provider];
            values.notes = cells[F::PolicyNotes];
            values.clientPhoneNumber = cells[F::ClientPhoneNumber];
            if (const QString& category = cells[F::Category]; !category.isEmpty()) {
                const QString key = TextKey::name(category);
                if (categories.contains(key) || categories.size() < kMaximumCategories) {
                    categories.insert(key);
                    values.category = category;
                } else {
                    row.notes.append(
                        QStringLiteral("Categoria «%1» non presa: il file ne nomina più di %2")
                            .arg(category)
                            .arg(kMaximumCategories));
                }
            }
            const QString& expiry = cells[F::ExpirationDate];
            const auto readDate = [&](const QString& text) {
                return DateReading::read(text, settings.dateOrder, table.source.dateSystem,
                                         settings.currentYear);
            };
            // A day without a time of day is taken at 09:00 in the user's zone.
            const auto instantOf = [&settings](const DateReading::Value& day) {
                return CalendarMath::fromLocal(day.date, day.msOfDay.value_or(kDefaultTimeOfDayMs),
                                               settings.zone);
            };
            if (!updating && values.name.isEmpty()) {
                refuse(QStringLiteral("Manca il nome della polizza"));
                continue;
            }
            if (!updating && expiry.isEmpty()) {
                refuse(QStringLiteral("Manca la data di scadenza"));
                continue;
            }
            if (!expiry.isEmpty()) {
                const std::optional<DateReading::Value> day = readDate(expiry);
                if (!day) {
                    refuse(QStringLiteral("Data di scadenza non letta: «%1»").arg(expiry));
                    continue;
                }
                values.expirationDate = instantOf(*day);
                if (!values.expirationDate) {
                    refuse(
                        QStringLiteral("Data di scadenza fuori dal calendario: «%1»").arg(expiry));
                    continue;
                }
                values.expirationDay = day->date;
                values.expirationHasTime = day->msOfDay.has_value();
            }
            if (const QString& notified = cells[F::NotifiedAt]; !notified.isEmpty()) {
                const std::optional<DateReading::Value> day = readDate(notified);
                values.lastNotified = day ? instantOf(*day) : std::nullopt;
                if (!values.lastNotified) {
                    refuse(QStringLiteral("Data dell'avviso non letta: «%1»").arg(notified));
                    continue;
                }
            }
            const QString& cycle = cells[F::RenewalType];
            if (!cycle.isEmpty()) {
                const std::optional<QString> known = RenewalCycle::fromWord(cycle);
                values.renewalType = known.value_or(settings.unknownCycle);
                if (!known) {
                    row.notes.append(QStringLiteral("Rinnovo «%1» non previsto: preso %2")
                                         .arg(cycle, RenewalCycle::label(settings.unknownCycle)));
                }
            } else if (!updating) {
                values.renewalType = QStringLiteral("yearly");
            }
            const QString& days = cells[F::ReminderDays];
            if (!days.isEmpty()) {
                values.customReminderDays = reminderText(days, row.notes);
            } else if (!updating) {
                values.customReminderDays = QStringLiteral("30");
            }
        }
        // The row is taken: now its client is found or made.
        if (!contact.isEmpty()) {
            row.contact = matcher.find(contact);
            if (row.contact < 0) {
                row.contact = matcher.add(contact);
                plan.m_contacts.push_back({std::nullopt, contact});
            } else if (!plan.m_contacts[size_t(row.contact)].stored) {
                plan.m_contacts[size_t(row.contact)].values.fillFrom(contact);
                matcher.update(row.contact, contact);
            }
        }
        if (target >= 0) {
            PolicyTarget& earlier = plan.m_policies[size_t(target)];
            earlier.values.overwriteWith(values);
            earlier.contact = row.contact >= 0 ? row.contact : earlier.contact;
            row.policy = target;
        } else if (isPolicy) {
            row.policy = int(plan.m_policies.size());
            plan.m_policies.push_back({stored, values, row.contact, row.line});
            targetOfNumber.insert(values.policyNumber.trimmed(), row.policy);
        }
        row.verdict = row.notes.isEmpty() ? Verdict::Accepted : Verdict::Adjusted;
    }
    if (control) {
        control->setDone(qint64(table.rows.size()));
    }
    return plan;
}

int ImportPlan::policiesToInsert() const {
    return int(std::count_if(m_policies.begin(), m_policies.end(),
                             [](const PolicyTarget& target) { return !target.stored; }));
}

int ImportPlan::policiesToUpdate() const {
    return int(m_policies.size()) - policiesToInsert();
}

int ImportPlan::contactsToCreate() const {
    return int(std::count_if(m_contacts.begin(), m_contacts.end(),
                             [](const ContactTarget& target) { return !target.stored; }));
}

int ImportPlan::count(Verdict verdict) const {
    return int(std::count_if(m_rows.begin(), m_rows.end(),
                             [verdict](const Row& row) { return row.verdict == verdict; }));
}
