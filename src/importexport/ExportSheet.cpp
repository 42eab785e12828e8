#include "importexport/ExportSheet.h"

#include "importexport/SheetTask.h"

#include "model/Policy.h"
#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "store/ManagedObjectContext.h"
#include "transfer/BookExport.h"
#include "transfer/TaskControl.h"
#include "ui/ProgressPanel.h"
#include "ui/RoundedPanel.h"
#include "ui/SegmentedControl.h"
#include "ui/TextLabel.h"

#include <QBoxLayout>
#include <QFileDialog>
#include <QStandardPaths>
#include <QToolButton>

namespace {

QString delimiterOf(const QLocale& locale) {
    return locale.decimalPoint() == QStringLiteral(",") ? QStringLiteral("«;»")
                                                        : QStringLiteral("«,»");
}

} // namespace

ExportSheet::ExportSheet(Services services, QWidget* parent)
    : EditorSheet(QStringLiteral("Esporta Polizze"),
                  QStringLiteral("In un file che si apre con LibreOffice Calc ed Excel"),
                  QStringLiteral("Esporta..."), parent)
    , m_services(std::move(services)) {
    setObjectName(QStringLiteral("exportSheet"));
    setMinimumHeight(420);
    resize(620, 520);

    auto* what = new RoundedPanel(RoundedPanel::card());
    m_scopeControl = new SegmentedControl(QStringLiteral("exportScopeControl"), what);
    m_scopeControl->setTitle(QStringLiteral("Polizze"));
    m_scopeControl->addSegment(QStringLiteral("Tutte"), QStringLiteral("wholeBookSegment"));
    m_shownSegment = m_scopeControl->addSegment(QString(), QStringLiteral("shownPoliciesSegment"));
    m_scopeControl->setCurrentIndex(0);
    connect(m_scopeControl, &SegmentedControl::currentIndexChanged, this,
            [this](int index) { m_scope = index == 0 ? Scope::Book : Scope::Shown; });
    what->body()->addWidget(m_scopeControl);
    auto* note = new TextLabel(
        QStringLiteral("Una riga per polizza con i dati del cliente; i clienti senza polizze "
                       "hanno una riga propria. I documenti PDF non sono inclusi."),
        TextStyle::Caption, ColorName::Secondary, what);
    note->setWordWrap(true);
    what->body()->addWidget(note);
    addSection(QStringLiteral("Cosa Esportare"), QStringLiteral("doc.text"), what,
               QStringLiteral("exportScopeSection"));

    auto* format = new RoundedPanel(RoundedPanel::card());
    m_formatControl = new SegmentedControl(QStringLiteral("exportFormatControl"), format);
    m_formatControl->setTitle(QStringLiteral("Formato"));
    m_formatControl->addSegment(QStringLiteral("CSV"), QStringLiteral("csvSegment"));
    m_formatControl->addSegment(QStringLiteral("Excel (XLSX)"), QStringLiteral("xlsxSegment"));
    m_formatControl->setCurrentIndex(0);
    connect(m_formatControl, &SegmentedControl::currentIndexChanged, this,
            [this](int index) { setFormat(index == 0 ? Format::Csv : Format::Xlsx); });
    format->body()->addWidget(m_formatControl);
    m_formatHint = new TextLabel(QString(), TextStyle::Caption, ColorName::Secondary, format);
    m_formatHint->setObjectName(QStringLiteral("exportFormatHint"));
    m_formatHint->setWordWrap(true);
    format->body()->addWidget(m_formatHint);
    addSection(QStringLiteral("Formato"), QStringLiteral("square.and.arrow.up"), format,
               QStringLiteral("exportFormatSection"));

    m_task =
        new SheetTask(this, QStringLiteral("Scrittura del file…"), QStringLiteral("exportStatus"));
    addAboveActions(&m_task->progress());
    addAboveActions(&m_task->status());
    showCounts();
    setFormat(Format::Csv);
}

ExportSheet::~ExportSheet() {
    // A file being written is left unwritten, not half written.
    m_task->cancel();
}

void ExportSheet::showCounts() {
    const qsizetype shown = qsizetype(m_services.shownPolicies().size());
    const QString text = QStringLiteral("Solo quelle mostrate nella lista (%1)")
                             .arg(m_services.clock.locale().toString(shown));
    m_shownSegment->setText(text);
    m_shownSegment->setAccessibleName(text);
}

void ExportSheet::setScope(Scope scope) {
    m_scope = scope;
    m_scopeControl->setCurrentIndex(scope == Scope::Book ? 0 : 1);
}

void ExportSheet::setFormat(Format format) {
    m_format = format;
    m_formatControl->setCurrentIndex(format == Format::Csv ? 0 : 1);
    m_formatHint->setText(
        format == Format::Csv
            ? QStringLiteral("Testo UTF-8 separato da %1, una riga per polizza.")
                  .arg(delimiterOf(m_services.clock.locale()))
            : QStringLiteral("Una cartella di Excel con un foglio; le scadenze sono date."));
    m_formatHint->setAccessibleName(m_formatHint->text());
}

bool ExportSheet::save() {
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("exportFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    const bool csv = m_format == Format::Csv;
    dialog->setDefaultSuffix(csv ? QStringLiteral("csv") : QStringLiteral("xlsx"));
    dialog->setNameFilter(csv ? QStringLiteral("CSV (*.csv)") : QStringLiteral("Excel (*.xlsx)"));
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog->selectFile(csv ? QStringLiteral("Polizze.csv") : QStringLiteral("Polizze.xlsx"));
    connect(dialog, &QFileDialog::fileSelected, this, &ExportSheet::exportTo);
    dialog->open();
    return false;
}

void ExportSheet::exportTo(const QString& path) {
    if (m_task->isRunning()) {
        return; // one file at a time
    }
    std::vector<BookExport::Row> rows = m_scope == Scope::Book
                                            ? BookExport::rowsOfBook(m_services.context)
                                            : BookExport::rowsOf(m_services.shownPolicies());
    const int count = int(rows.size());
    std::shared_ptr<TaskControl> control = m_task->begin();
    setSaveEnabled(false);
    const bool csv = m_format == Format::Csv;
    const QLocale locale = m_services.clock.locale();
    const QTimeZone zone = m_services.clock.timeZone();
    runInBackground<std::optional<QString>>(
        this,
        [path, rows = std::move(rows), csv, locale, zone, control] {
            return csv ? BookExport::writeCsv(path, rows, locale, zone, control.get())
                       : BookExport::writeXlsx(path, rows, zone, control.get());
        },
        [this, path, count](const std::optional<QString>& error) {
            const bool ran = m_task->end();
            setSaveEnabled(true);
            if (!ran) {
                return;
            }
            if (error) {
                m_task->fail(m_services.log, QStringLiteral("Error exporting: "), *error);
                return;
            }
            Q_EMIT exported(path, count);
            accept();
        });
}

void ExportSheet::reject() {
    m_task->cancel();
    EditorSheet::reject();
}

ProgressPanel& ExportSheet::progress() const {
    return m_task->progress();
}
