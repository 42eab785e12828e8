#include "importexport/RenewalReportSheet.h"

#include "importexport/SheetTask.h"

#include "model/CalendarMath.h"
#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "report/RenewalPages.h"
#include "report/RenewalReportContent.h"
#include "report/RenewalSelection.h"
#include "transfer/TaskControl.h"
#include "ui/FieldBlock.h"
#include "ui/ProgressPanel.h"
#include "ui/RoundedPanel.h"
#include "ui/TextLabel.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardPaths>

namespace {

constexpr qreal kPrinterMarginMm = 12;

struct ReportChoiceEntry {
    const char* text;
    RenewalReportSheet::Choice choice;
};
constexpr ReportChoiceEntry kReportChoices[] = {
    {"Prossimi 30 giorni", RenewalReportSheet::Choice::Next30Days},
    {"Prossimi 60 giorni", RenewalReportSheet::Choice::Next60Days},
    {"Prossimi 90 giorni", RenewalReportSheet::Choice::Next90Days},
    {"Questo mese", RenewalReportSheet::Choice::ThisMonth},
    {"Mese prossimo", RenewalReportSheet::Choice::NextMonth},
    {"Date scelte", RenewalReportSheet::Choice::ChosenDates},
};

std::optional<RenewalRange::Preset> presetOf(RenewalReportSheet::Choice choice) {
    using C = RenewalReportSheet::Choice;
    using P = RenewalRange::Preset;
    switch (choice) {
    case C::Next30Days:
        return P::Next30Days;
    case C::Next60Days:
        return P::Next60Days;
    case C::Next90Days:
        return P::Next90Days;
    case C::ThisMonth:
        return P::ThisMonth;
    case C::NextMonth:
        return P::NextMonth;
    case C::ChosenDates:
        break;
    }
    return std::nullopt;
}

QDateEdit* reportDateField(const QString& objectName, const QLocale& locale, QWidget* parent) {
    auto* field = new QDateEdit(parent);
    field->setObjectName(objectName);
    field->setCalendarPopup(true);
    field->setLocale(locale);
    field->setDisplayFormat(locale.dateFormat(QLocale::ShortFormat));
    return field;
}

} // namespace

RenewalReportSheet::RenewalReportSheet(Services services, QWidget* parent)
    : EditorSheet(QStringLiteral("Stampa Scadenze"),
                  QStringLiteral("Le polizze in scadenza, settimana per settimana"),
                  QStringLiteral("Salva PDF..."), parent)
    , m_services(std::move(services)) {
    setObjectName(QStringLiteral("renewalReportSheet"));
    setMinimumHeight(420);
    resize(620, 520);
    const QLocale locale = m_services.clock.locale();

    auto* when = new RoundedPanel(RoundedPanel::card());
    when->setObjectName(QStringLiteral("renewalRangeCard"));
    when->setAccessibleName(QStringLiteral("Periodo"));
    m_choice = new QComboBox(when);
    m_choice->setObjectName(QStringLiteral("renewalRangePicker"));
    for (const ReportChoiceEntry& entry : kReportChoices) {
        m_choice->addItem(QString::fromUtf8(entry.text));
    }
    when->body()->addWidget(FieldBlock::captioned(QStringLiteral("Periodo"), m_choice, when));
    auto* dates = new QHBoxLayout;
    dates->setSpacing(12);
    m_first = reportDateField(QStringLiteral("renewalFirstDate"), locale, when);
    m_last = reportDateField(QStringLiteral("renewalLastDate"), locale, when);
    dates->addWidget(FieldBlock::captioned(QStringLiteral("Dal"), m_first, when));
    dates->addWidget(FieldBlock::captioned(QStringLiteral("Al"), m_last, when));
    when->body()->addLayout(dates);
    m_includeExpired = new QCheckBox(QStringLiteral("Includi le polizze già scadute"), when);
    m_includeExpired->setObjectName(QStringLiteral("includeExpiredToggle"));
    m_includeExpired->setAccessibleName(m_includeExpired->text());
    when->body()->addWidget(m_includeExpired);
    addSection(QStringLiteral("Periodo"), QStringLiteral("calendar"), when,
               QStringLiteral("renewalRangeSection"));

    m_task = new SheetTask(this, QStringLiteral("Preparazione delle pagine…"),
                           QStringLiteral("renewalReportStatus"));
    addAboveActions(&m_task->progress());
    addAboveActions(&m_task->status());
    addSaveHint();
    m_print = addSecondaryAction(QStringLiteral("Stampa..."), QStringLiteral("printButton"));
    connect(m_print, &QPushButton::clicked, this, &RenewalReportSheet::openPrintDialog);

    connect(m_choice, &QComboBox::activated, this,
            [this](int index) { setChoice(kReportChoices[index].choice); });
    for (QDateEdit* field : {m_first, m_last}) {
        connect(field, &QDateEdit::dateChanged, this, [this] {
            m_choice->setCurrentIndex(int(Choice::ChosenDates));
            showRange();
        });
    }
    setChoice(Choice::Next30Days);
}

RenewalReportSheet::~RenewalReportSheet() {
    // Pages being made are dropped, not left half written.
    m_task->cancel();
}

void RenewalReportSheet::setChoice(Choice choice) {
    m_choice->setCurrentIndex(int(choice));
    if (const std::optional<RenewalRange::Preset> preset = presetOf(choice)) {
        const QDate today =
            CalendarMath::toLocal(m_services.clock.now(), m_services.clock.timeZone()).date;
        const RenewalRange range = RenewalRange::of(*preset, today);
        const QSignalBlocker firstBlocker(m_first);
        const QSignalBlocker lastBlocker(m_last);
        m_first->setDate(range.first());
        m_last->setDate(range.last());
    }
    showRange();
}

void RenewalReportSheet::setDates(QDate first, QDate last) {
    {
        const QSignalBlocker firstBlocker(m_first);
        const QSignalBlocker lastBlocker(m_last);
        m_first->setDate(first);
        m_last->setDate(last);
    }
    m_choice->setCurrentIndex(int(Choice::ChosenDates));
    showRange();
}

void RenewalReportSheet::setIncludeExpired(bool include) {
    m_includeExpired->setChecked(include);
}

RenewalRange RenewalReportSheet::range() const {
    return {m_first->date(), m_last->date()};
}

void RenewalReportSheet::showRange() {
    const bool valid = range().isValid();
    showSaveBlockedReason(valid ? QString()
                                : QStringLiteral("La data finale viene prima di quella iniziale."));
    m_print->setEnabled(valid && !m_task->isRunning());
}

RenewalReportContent RenewalReportSheet::content() const {
    const Clock& clock = m_services.clock;
    const Instant now = clock.now();
    const QTimeZone zone = clock.timeZone();
    const bool expired = m_includeExpired->isChecked();
    return {.heading = m_services.heading,
            .range = range(),
            .includesExpired = expired,
            .madeAt = now,
            .zone = zone,
            .rows = RenewalSelection::rowsOf(m_services.context, range(), expired, now, zone)};
}

bool RenewalReportSheet::save() {
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("renewalReportFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("pdf"));
    dialog->setNameFilter(QStringLiteral("PDF (*.pdf)"));
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog->selectFile(QStringLiteral("Scadenze.pdf"));
    connect(dialog, &QFileDialog::fileSelected, this, &RenewalReportSheet::saveTo);
    dialog->open();
    return false;
}

void RenewalReportSheet::openPrintDialog() {
    if (m_task->isRunning()) {
        return;
    }
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(QStringLiteral("Scadenze delle polizze"));
    printer->setPageSize(RenewalPages::paperFor(m_services.clock.locale()));
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setPageMargins(
        QMarginsF(kPrinterMarginMm, kPrinterMarginMm, kPrinterMarginMm, kPrinterMarginMm),
        QPageLayout::Millimeter);
    auto* dialog = new QPrintDialog(printer.get(), this);
    dialog->setObjectName(QStringLiteral("renewalPrintDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, qOverload<QPrinter*>(&QPrintDialog::accepted), this,
            [this, printer](QPrinter* /*chosen*/) { printOn(printer); });
    dialog->open();
}

void RenewalReportSheet::saveTo(const QString& path) {
    const QPageSize paper = RenewalPages::paperFor(m_services.clock.locale());
    run(
        [path, paper](RenewalReportContent& report, TaskControl* control) {
            return RenewalPages::writePdf(path, report, paper, control);
        },
        QStringLiteral("Error saving renewal report: "),
        [this, path](int policies) {
            Q_EMIT saved(path, policies);
            accept();
        });
}

void RenewalReportSheet::printOn(const std::shared_ptr<QPrinter>& printer) {
    run(
        [printer](RenewalReportContent& report, TaskControl* control) {
            // A stopped job is dropped by the printer rather than printed in part.
            return RenewalPages::paint(report, *printer, control,
                                       [device = printer.get()] { device->abort(); });
        },
        QStringLiteral("Error printing renewal report: "),
        [this](int policies) {
            Q_EMIT printed(policies);
            accept();
        });
}

void RenewalReportSheet::run(
    std::function<std::optional<QString>(RenewalReportContent&, TaskControl*)> work,
    const QString& failurePrefix, std::function<void(int policies)> finished) {
    if (m_task->isRunning() || !range().isValid()) {
        return; // one report at a time
    }
    // Read on the store's thread; the worker gets plain values only.
    auto report = std::make_shared<RenewalReportContent>(content());
    const int policies = int(report->rows.size());
    std::shared_ptr<TaskControl> control = m_task->begin();
    setSaveEnabled(false);
    m_print->setEnabled(false);
    runInBackground<std::optional<QString>>(
        this, [work = std::move(work), report, control] { return work(*report, control.get()); },
        [this, policies, failurePrefix,
         finished = std::move(finished)](const std::optional<QString>& error) {
            const bool ran = m_task->end();
            showRange();
            if (!ran) {
                return;
            }
            if (error) {
                m_task->fail(m_services.log, failurePrefix, *error);
                return;
            }
            finished(policies);
        });
}

void RenewalReportSheet::reject() {
    m_task->cancel();
    EditorSheet::reject();
}

ProgressPanel& RenewalReportSheet::progress() const {
    return m_task->progress();
}
