#include "report/RenewalDocument.h"

#include "model/CalendarMath.h"
#include "report/RenewalWeek.h"
#include "transfer/TaskControl.h"

#include <QLocale>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <array>

namespace RenewalDocument {
namespace {

// Points of the report's text.
constexpr qreal kBodyPoints = 7.5;
constexpr qreal kWeekPoints = 10;
constexpr qreal kTitlePoints = 14;
constexpr qreal kHeadingPoints = 11;
constexpr int kRowsBetweenChecks = 64;

struct ReportColumn {
    const char* title;
    qreal percent;
};
// Nine columns across a portrait page; the last is left blank for the agent's notes.
constexpr std::array<ReportColumn, 9> kReportColumns{{
    {"Polizza", 14},
    {"Numero", 12},
    {"Compagnia", 10},
    {"Scadenza", 9},
    {"Cliente", 12},
    {"Telefono", 11},
    {"E-mail", 14},
    {"Avvisato il", 9},
    {"Note", 9},
}};

QLocale reportLocale() {
    return QLocale(QLocale::Italian, QLocale::Italy);
}

QString shortDate(Instant instant, const QTimeZone& zone) {
    return reportLocale().toString(CalendarMath::toLocal(instant, zone).date,
                                   QStringLiteral("dd/MM/yyyy"));
}

QTextCharFormat textOf(qreal points, bool bold) {
    QTextCharFormat format;
    format.setFontPointSize(points);
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    return format;
}

void addLine(QTextCursor& cursor, const QString& text, const QTextCharFormat& format,
             qreal spaceAbove = 0) {
    QTextBlockFormat block;
    block.setTopMargin(spaceAbove);
    // The document's first block, and the one that follows a table, are there already.
    if (cursor.block().length() == 1) {
        cursor.setBlockFormat(block);
        cursor.setBlockCharFormat(format);
    } else {
        cursor.insertBlock(block, format);
    }
    cursor.insertText(text, format);
}

QTextTableFormat tableFormat(qreal dpi) {
    QTextTableFormat format;
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    QList<QTextLength> widths;
    for (const ReportColumn& column : kReportColumns) {
        widths.append(QTextLength(QTextLength::PercentageLength, column.percent));
    }
    format.setColumnWidthConstraints(widths);
    format.setHeaderRowCount(1);
    format.setCellSpacing(0);
    format.setCellPadding(dpi * 1.5 / 72);
    // The outer border is drawn outside the table's width: the margins make room for it.
    const qreal border = dpi * 0.75 / 72;
    format.setBorder(border);
    format.setLeftMargin(border);
    format.setRightMargin(border);
    format.setBorderBrush(QColor(0x80, 0x80, 0x80));
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setTopMargin(dpi * 3 / 72);
    return format;
}

void fillCell(QTextTable* table, int row, int column, const QString& text,
              const QTextCharFormat& format) {
    QTextCursor cell = table->cellAt(row, column).firstCursorPosition();
    cell.insertText(text, format);
}

} // namespace

QString policyCount(qsizetype count) {
    return reportLocale().toString(count) +
           (count == 1 ? QStringLiteral(" polizza") : QStringLiteral(" polizze"));
}

std::unique_ptr<QTextDocument> build(const RenewalReportContent& content, qreal dpi,
                                     TaskControl* control) {
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    document->setDocumentMargin(0);
    QFont font = document->defaultFont();
    font.setPointSizeF(kBodyPoints);
    document->setDefaultFont(font);
    // Long names and addresses wrap inside their column, even without a space to break at.
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);

    const QLocale locale = reportLocale();
    QTextCursor cursor(document.get());
    const QTextCharFormat body = textOf(kBodyPoints, false);
    const QTextCharFormat bold = textOf(kBodyPoints, true);
    if (!content.heading.trimmed().isEmpty()) {
        addLine(cursor, content.heading, textOf(kHeadingPoints, true));
    }
    addLine(cursor, QStringLiteral("Scadenze delle polizze"), textOf(kTitlePoints, true));
    QString range = QStringLiteral("Polizze in scadenza ") + content.range.text();
    if (content.includesExpired) {
        range += QStringLiteral(", con le polizze già scadute");
    }
    addLine(cursor, range, textOf(kHeadingPoints - 1, false), dpi * 4 / 72);
    const CalendarMath::LocalDateTime made = CalendarMath::toLocal(content.madeAt, content.zone);
    addLine(cursor,
            QStringLiteral("Creato il %1 alle %2")
                .arg(locale.toString(made.date, QStringLiteral("d MMMM yyyy")),
                     locale.toString(QTime::fromMSecsSinceStartOfDay(int(made.msOfDay)),
                                     QStringLiteral("HH:mm"))),
            body);
    const qsizetype total = qsizetype(content.rows.size());
    addLine(cursor, QStringLiteral("Totale: ") + policyCount(total), bold);

    if (control) {
        control->setTotal(qint64(total) * 2);
        control->setDone(0);
    }
    if (content.rows.empty()) {
        addLine(cursor, QStringLiteral("Nessuna polizza in scadenza nel periodo."), body,
                dpi * 8 / 72);
        return document;
    }
    const QTextTableFormat table = tableFormat(dpi);
    qsizetype done = 0;
    for (const RenewalWeek& week : RenewalWeek::group(content.rows, content.zone)) {
        addLine(cursor,
                week.heading() + QStringLiteral(" · ") + policyCount(qsizetype(week.rows.size())),
                textOf(kWeekPoints, true), dpi * 10 / 72);
        QTextTable* grid =
            cursor.insertTable(int(week.rows.size()) + 1, int(kReportColumns.size()), table);
        for (int c = 0; c < int(kReportColumns.size()); ++c) {
            fillCell(grid, 0, c, QString::fromUtf8(kReportColumns[size_t(c)].title), bold);
        }
        for (int r = 0; r < int(week.rows.size()); ++r) {
            const RenewalRow& row = week.rows[size_t(r)];
            const QString cells[] = {
                row.name,
                row.number,
                row.provider,
                shortDate(row.expiry, content.zone),
                row.client,
                row.phone,
                row.email,
                row.lastNotified ? shortDate(*row.lastNotified, content.zone) : QString(),
            };
            for (int c = 0; c < int(std::size(cells)); ++c) {
                if (!cells[c].isEmpty()) {
                    fillCell(grid, r + 1, c, cells[c], body);
                }
            }
            if (++done % kRowsBetweenChecks == 0 && control) {
                if (control->isCancelled()) {
                    return nullptr;
                }
                control->setDone(done);
            }
        }
        cursor.movePosition(QTextCursor::End);
    }
    addLine(cursor, QStringLiteral("Totale: ") + policyCount(total), bold, dpi * 10 / 72);
    if (control) {
        control->setDone(total);
    }
    return document;
}

} // namespace RenewalDocument
