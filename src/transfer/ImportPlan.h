#pragma once

#include "transfer/BookIndex.h"
#include "transfer/DateReading.h"
#include "transfer/ImportSettings.h"
#include "transfer/ImportValues.h"
#include "transfer/Table.h"

#include <QStringList>
#include <QUuid>

#include <optional>
#include <vector>

class TaskControl;

// What an import would do, row by row, before anything is written: which rows are taken,
// changed to fit, or refused and why; which policies and clients it makes or updates. Made on
// a worker thread from a table, the user's settings and the store as it was read; the
// preview shows it, and the import writes it.
//
// A row that fills any policy field is a policy (with its client when it has client fields);
// a row with client fields alone is a client. A new policy needs a name, a number and an
// expiry the column's date format reads; a policy updated by number needs only the number.
// Values are kept as the file writes them; a cell of blanks counts as empty.
class ImportPlan final {
public:
    enum class Verdict {
        Blank,    // nothing in the mapped columns
        Accepted, // taken as it is
        Adjusted, // taken, with the changes its notes say
        Refused,  // left out, for the reason its notes say
    };
    struct Row {
        qint64 line = 0;
        Verdict verdict = Verdict::Blank;
        QStringList notes;
        int policy = -1;  // the policy target it makes or updates
        int contact = -1; // the contact target it names
    };
    struct PolicyTarget {
        // The stored policy it updates; none for a new policy.
        std::optional<QUuid> stored;
        PolicyValues values;
        int contact = -1; // -1: a new policy has no client; an updated one keeps its own
        qint64 firstLine = 0;
    };
    struct ContactTarget {
        std::optional<QUuid> stored;
        ContactValues values;
    };

    // Categories one file may name, each found or made by the import: a file naming more is
    // not a book's few labels, and would fill every category list.
    static constexpr qsizetype kMaximumCategories = 100;

    // An empty plan, cancelled when `control` was.
    static ImportPlan make(const Table& table, const ImportSettings& settings,
                           const BookIndex& book, TaskControl* control = nullptr);

    // The date format of the expiry column over all its values (the locale's order when both
    // read them all).
    static DateReading::ColumnFormat expiryFormat(const Table& table,
                                                  const ImportSettings& settings,
                                                  DateReading::Order localeOrder);

    bool isCancelled() const { return m_cancelled; }
    // The rows after the header, blank ones included, in the file's order.
    const std::vector<Row>& rows() const { return m_rows; }
    const std::vector<PolicyTarget>& policies() const { return m_policies; }
    const std::vector<ContactTarget>& contacts() const { return m_contacts; }
    // Where the rows begin in the table: 1 with a header, else 0.
    qsizetype firstRow() const { return m_firstRow; }

    int policiesToInsert() const;
    int policiesToUpdate() const;
    int contactsToCreate() const;
    int count(Verdict verdict) const;

private:
    std::vector<Row> m_rows;
    std::vector<PolicyTarget> m_policies;
    std::vector<ContactTarget> m_contacts;
    qsizetype m_firstRow = 0;
    bool m_cancelled = false;
};
