#include "transfer/BookExport.h"

#include "model/CalendarMath.h"
#include "model/Category.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "store/ManagedObjectContext.h"
#include "transfer/CsvWriter.h"
#include "transfer/ImportField.h"
#include "transfer/RenewalCycle.h"
#include "transfer/TaskControl.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <QTime>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace BookExport {
namespace {

using F = ImportField;
constexpr size_t kProgressRows = 1024;
// What one Excel cell holds.
constexpr qsizetype kMaxCellChars = 32'767;

Row rowOf(const Policy* policy, const Contact* contact) {
    Row row;
    for (const ImportField field : ImportFields::exported()) {
        QString text;
        switch (field) {
        case F::PolicyName:
            text = policy ? policy->name() : QString();
            break;
        case F::PolicyNumber:
            text = policy ? policy->policyNumber() : QString();
            break;
        case F::Provider:
            text = policy ? policy->provider() : QString();
            break;
        case F::RenewalType:
            text = policy ? RenewalCycle::word(policy->renewalType()) : QString();
            break;
        case F::ReminderDays:
            if (policy) {
                const QString custom = policy->customReminderDays().value_or(QString());
                text = custom.isEmpty() ? QString::number(policy->reminderDays()) : custom;
            }
            break;
        case F::PolicyNotes:
            text = policy ? policy->notes().value_or(QString()) : QString();
            break;
        case F::ClientPhoneNumber:
            text = policy ? policy->clientPhoneNumber().value_or(QString()) : QString();
            break;
        case F::Category:
            if (const std::shared_ptr<Category> category = policy ? policy->category() : nullptr) {
                text = category->name();
            }
            break;
        case F::FirstName:
            text = contact ? contact->firstName() : QString();
            break;
        case F::LastName:
            text = contact ? contact->lastName() : QString();
            break;
        case F::Company:
            text = contact ? contact->company().value_or(QString()) : QString();
            break;
        case F::Phone:
            text = contact ? contact->phoneNumber().value_or(QString()) : QString();
            break;
        case F::Email:
            text = contact ? contact->email().value_or(QString()) : QString();
            break;
        case F::ContactNotes:
            text = contact ? contact->notes().value_or(QString()) : QString();
            break;
        default:
            break;
        }
        row.cells.append(text);
    }
    if (policy) {
        row.expiry = policy->expirationDate();
        row.notified = policy->lastNotified();
    }
    return row;
}

QString localText(Instant instant, const QTimeZone& zone) {
    const CalendarMath::LocalDateTime local = CalendarMath::toLocal(instant, zone);
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(local.msOfDay));
    return local.date.toString(Qt::ISODate) + u' ' +
           time.toString(time.msec() != 0 ? QStringLiteral("HH:mm:ss.zzz")
                                          : QStringLiteral("HH:mm:ss"));
}

QStringList headerRow() {
    QStringList headers;
    for (const ImportField field : ImportFields::exported()) {
        headers.append(ImportFields::label(field));
    }
    return headers;
}

void advance(TaskControl* control, size_t index, size_t total) {
    if (control && index % kProgressRows == 0) {
        control->setTotal(qint64(total));
        control->setDone(qint64(index));
    }
}

} // namespace

qsizetype columnOf(ImportField field) {
    const auto& fields = ImportFields::exported();
    return std::find(fields.begin(), fields.end(), field) - fields.begin();
}

std::vector<Row> rowsOfBook(const ManagedObjectContext& context) {
    std::vector<Row> rows;
    FetchRequest<Policy> policies;
    policies.setSortDescriptors({{QStringLiteral("expirationDate")}});
    for (const std::shared_ptr<Policy>& policy : context.fetch(policies)) {
        rows.push_back(rowOf(policy.get(), policy->contact().get()));
    }
    FetchRequest<Contact> contacts;
    contacts.setSortDescriptors({{QStringLiteral("lastName")}, {QStringLiteral("firstName")}});
    for (const std::shared_ptr<Contact>& contact : context.fetch(contacts)) {
        if (contact->policies().empty()) {
            rows.push_back(rowOf(nullptr, contact.get()));
        }
    }
    return rows;
}

std::vector<Row> rowsOf(const std::vector<std::shared_ptr<Policy>>& policies) {
    std::vector<Row> rows;
    rows.reserve(policies.size());
    for (const std::shared_ptr<Policy>& policy : policies) {
        rows.push_back(rowOf(policy.get(), policy->contact().get()));
    }
    return rows;
}

std::optional<QString> writeCsv(const QString& path, const std::vector<Row>& rows,
                                const QLocale& locale, const QTimeZone& zone,
                                TaskControl* control) {
    CsvWriter writer(path, locale);
    QString error;
    if (!writer.open(&error)) {
        return error;
    }
    writer.writeRow(headerRow());
    const qsizetype expiry = columnOf(F::ExpirationDate);
    const qsizetype notified = columnOf(F::NotifiedAt);
    for (size_t i = 0; i < rows.size(); ++i) {
        advance(control, i, rows.size());
        QStringList cells = rows[i].cells;
        if (rows[i].expiry) {
            cells[expiry] = localText(*rows[i].expiry, zone);
        }
        if (rows[i].notified) {
            cells[notified] = localText(*rows[i].notified, zone);
        }
        writer.writeRow(cells);
    }
    if (!writer.commit(&error)) {
        return error;
    }
    return std::nullopt;
}

std::optional<QString> writeXlsx(const QString& path, const std::vector<Row>& rows,
                                 const QTimeZone& zone, TaskControl* control) {
    // Written beside the target and renamed over it, so a failure leaves no half a workbook.
    QTemporaryFile reserved(
        QFileInfo(path).absoluteDir().filePath(QStringLiteral(".export-XXXXXX.xlsx")));
    if (!reserved.open()) {
        return reserved.errorString();
    }
    const QByteArray temporary = QFile::encodeName(reserved.fileName());
    QByteArray folder = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder.data();
    lxw_workbook* workbook = workbook_new_opt(temporary.constData(), &options);
    if (!workbook) {
        return QStringLiteral("Il file Excel non si può creare in questa cartella");
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Polizze");
    lxw_format* bold = workbook_add_format(workbook);
    format_set_bold(bold);
    lxw_format* dateFormat = workbook_add_format(workbook);
    format_set_num_format(dateFormat, "dd/mm/yyyy hh:mm");
    const QStringList headers = headerRow();
    for (qsizetype c = 0; c < headers.size(); ++c) {
        worksheet_write_string(sheet, 0, lxw_col_t(c), headers[c].toUtf8().constData(), bold);
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), 18, nullptr);
    }
    const qsizetype expiry = columnOf(F::ExpirationDate);
    const qsizetype notified = columnOf(F::NotifiedAt);
    std::optional<QString> failure;
    for (size_t i = 0; i < rows.size() && !failure; ++i) {
        advance(control, i, rows.size());
        const lxw_row_t r = lxw_row_t(i + 1);
        const Row& row = rows[i];
        for (qsizetype c = 0; c < row.cells.size(); ++c) {
            const QString& text = row.cells[c];
            const std::optional<Instant> instant =
                c == expiry ? row.expiry : (c == notified ? row.notified : std::nullopt);
            if (instant) {
                const CalendarMath::LocalDateTime local = CalendarMath::toLocal(*instant, zone);
                if (local.date.year() >= 1900) {
                    lxw_datetime value{local.date.year(),
                                       local.date.month(),
                                       local.date.day(),
                                       int(local.msOfDay / 3'600'000),
                                       int(local.msOfDay / 60'000 % 60),
                                       double(local.msOfDay % 60'000) / 1000.0};
                    worksheet_write_datetime(sheet, r, lxw_col_t(c), &value, dateFormat);
                } else {
                    worksheet_write_string(sheet, r, lxw_col_t(c),
                                           localText(*instant, zone).toUtf8().constData(), nullptr);
                }
                continue;
            }
            if (text.isEmpty()) {
                continue;
            }
            if (text.size() > kMaxCellChars) {
                failure =
                    QStringLiteral("Un testo della riga %1 supera i %2 caratteri che una "
                                   "cella di Excel può contenere: esporta in CSV")
                        .arg(i + 2)
                        .arg(QLocale(QLocale::Italian, QLocale::Italy).toString(kMaxCellChars));
                break;
            }
            worksheet_write_string(sheet, r, lxw_col_t(c), text.toUtf8().constData(), nullptr);
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (!failure && closed != LXW_NO_ERROR) {
        failure = QString::fromUtf8(lxw_strerror(closed));
    }
    if (failure) {
        return failure;
    }
    if (std::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        return QStringLiteral("Il file Excel non si può mettere al suo posto: %1")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    reserved.setAutoRemove(false);
    return std::nullopt;
}

} // namespace BookExport
