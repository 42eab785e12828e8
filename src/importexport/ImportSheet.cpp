#include "importexport/ImportSheet.h"

#include "importexport/ImportPreviewModel.h"
#include "importexport/ImportResultModel.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "ui/FieldBlock.h"
#include "ui/ProgressPanel.h"
#include "ui/RoundedPanel.h"
#include "ui/SegmentedControl.h"
#include "ui/TextLabel.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>

namespace {

constexpr int kSectionWidth = 880;
constexpr int kPreviewHeight = 300;
constexpr int kResultRowsHeight = 220;
constexpr int kLongestColumn = 240;

struct Delimiter {
    QChar character;
    const char* label;
};
constexpr Delimiter kDelimiters[] = {{u',', "Virgola (,)"},
                                     {u';', "Punto e virgola (;)"},
                                     {u'\t', "Tabulazione"},
                                     {u'|', "Barra verticale (|)"}};

struct Cycle {
    const char* value;
    const char* label;
};
constexpr Cycle kCycles[] = {
    {"yearly", "Annuale"}, {"quarterly", "Trimestrale"}, {"monthly", "Mensile"}};

QString formatName(const SourceDescription& source) {
    switch (source.format) {
    case SourceFormat::Xlsx:
        return QStringLiteral("cartella di Excel");
    case SourceFormat::Ods:
        return QStringLiteral("foglio di LibreOffice");
    case SourceFormat::Csv:
        break;
    }
    for (const Delimiter& delimiter : kDelimiters) {
        if (delimiter.character == source.delimiter) {
            return QStringLiteral("testo %1, separato da: %2")
                .arg(Encodings::name(source.encoding),
                     QString::fromUtf8(delimiter.label).toLower());
        }
    }
    return QStringLiteral("testo %1").arg(Encodings::name(source.encoding));
}

QString phaseText(ImportSession::Phase phase) {
    switch (phase) {
    case ImportSession::Phase::Reading:
        return QStringLiteral("Lettura del file…");
    case ImportSession::Phase::Checking:
        return QStringLiteral("Controllo delle righe…");
    case ImportSession::Phase::Saving:
        return QStringLiteral("Salvataggio…");
    case ImportSession::Phase::Scheduling:
        return QStringLiteral("Programmazione dei promemoria…");
    case ImportSession::Phase::Idle:
        break;
    }
    return QString();
}

// A table the user reads and moves through: no editing, arrows between cells, Tab onwards.
QTableView* readOnlyTable(const QString& objectName, const QString& name, QAbstractItemModel* model,
                          int height, QWidget* parent) {
    auto* table = new QTableView(parent);
    table->setObjectName(objectName);
    table->setAccessibleName(name);
    table->setModel(model);
    table->setFixedHeight(height);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();
    return table;
}

QComboBox* picker(const QString& objectName, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(objectName);
    return combo;
}

} // namespace

ImportSheet::ImportSheet(const Services& services, const QString& path, QWidget* parent)
    : EditorSheet(QStringLiteral("Importa Polizze"),
                  QStringLiteral("Da un foglio di calcolo (Excel, LibreOffice) o da un file CSV"),
                  QStringLiteral("Importa"), parent)
    , m_services(services)
    , m_session(new ImportSession(services, this))
    , m_preview(new ImportPreviewModel(*m_session, this))
    , m_resultRows(new ImportResultModel(this)) {
    setObjectName(QStringLiteral("importSheet"));
    setSectionWidth(kSectionWidth);
    resize(kSectionWidth + 80, 820);

    m_inputSections = {
        addSection(QStringLiteral("File"), QStringLiteral("doc.text"), buildFileCard(),
                   QStringLiteral("importFileSection")),
        addSection(QStringLiteral("Colonne"), QStringLiteral("checklist"), buildColumnsCard(),
                   QStringLiteral("importColumnsSection")),
        addSection(QStringLiteral("Opzioni"), QStringLiteral("gear"), buildOptionsCard(),
                   QStringLiteral("importOptionsSection")),
    };
    m_resultSection =
        addSection(QStringLiteral("Risultato"), QStringLiteral("checkmark.circle.fill"),
                   buildResultCard(), QStringLiteral("importResultSection"));
    m_resultSection->hide();

    m_progress = new ProgressPanel(this);
    addAboveActions(m_progress);
    connect(m_progress, &ProgressPanel::cancelRequested, this, [this] {
        m_cancelling = true;
        m_session->cancel();
    });
    m_status = new TextLabel(QString(), TextStyle::Body, ColorName::Red, this);
    m_status->setObjectName(QStringLiteral("importStatus"));
    m_status->setWordWrap(true);
    m_status->hide();
    addAboveActions(m_status);

    connect(m_session, &ImportSession::changed, this, &ImportSheet::showSession);
    connect(m_session, &ImportSession::phaseChanged, this, &ImportSheet::onPhase);
    connect(m_session, &ImportSession::progress, this, &ImportSheet::onProgress);
    connect(m_session, &ImportSession::finished, this, &ImportSheet::onFinished);
    setSaveEnabled(false);
    m_fileName->setText(QFileInfo(path).fileName());
    m_fileName->setAccessibleName(m_fileName->text());
    m_session->open(path);
}

ImportSheet::~ImportSheet() = default;

QWidget* ImportSheet::buildFileCard() {
    auto* card = new RoundedPanel(RoundedPanel::card());
    m_fileName = new TextLabel(QString(), TextStyle::Headline, ColorName::Primary, card);
    m_fileName->setObjectName(QStringLiteral("importFileName"));
    m_detected = new TextLabel(QString(), TextStyle::Subheadline, ColorName::Secondary, card);
    m_detected->setObjectName(QStringLiteral("importDetected"));
    m_detected->setWordWrap(true);
    m_error = new TextLabel(QString(), TextStyle::Body, ColorName::Red, card);
    m_error->setObjectName(QStringLiteral("importFileError"));
    m_error->setWordWrap(true);
    m_error->hide();
    card->body()->addWidget(m_fileName);
    card->body()->addWidget(m_detected);
    card->body()->addWidget(m_error);

    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    m_textBlocks = new QWidget(card);
    auto* textRow = new QHBoxLayout(m_textBlocks);
    textRow->setContentsMargins(0, 0, 0, 0);
    textRow->setSpacing(16);
    m_encoding = picker(QStringLiteral("encodingPicker"), card);
    for (const TextEncoding encoding : Encodings::kAll) {
        m_encoding->addItem(Encodings::name(encoding));
    }
    connect(m_encoding, &QComboBox::activated, this,
            [this](int index) { m_session->setEncoding(Encodings::kAll[index]); });
    m_delimiter = picker(QStringLiteral("delimiterPicker"), card);
    for (const Delimiter& delimiter : kDelimiters) {
        m_delimiter->addItem(QString::fromUtf8(delimiter.label));
    }
    connect(m_delimiter, &QComboBox::activated, this,
            [this](int index) { m_session->setDelimiter(kDelimiters[index].character); });
    textRow->addWidget(FieldBlock::captioned(QStringLiteral("Codifica"), m_encoding, card), 1);
    textRow->addWidget(FieldBlock::captioned(QStringLiteral("Separatore"), m_delimiter, card), 1);
    row->addWidget(m_textBlocks, 2);
    m_sheet = picker(QStringLiteral("sheetPicker"), card);
    connect(m_sheet, &QComboBox::activated, this,
            [this](int index) { m_session->setSheet(index); });
    m_sheetBlock = FieldBlock::captioned(QStringLiteral("Foglio"), m_sheet, card);
    row->addWidget(m_sheetBlock, 1);
    card->body()->addLayout(row);

    m_header = new QCheckBox(QStringLiteral("La prima riga contiene le intestazioni"), card);
    m_header->setObjectName(QStringLiteral("headerRowCheck"));
    m_header->setAccessibleName(m_header->text());
    connect(m_header, &QCheckBox::clicked, this,
            [this](bool checked) { m_session->setHasHeader(checked); });
    card->body()->addWidget(m_header);
    return card;
}

QWidget* ImportSheet::buildColumnsCard() {
    auto* card = new RoundedPanel(RoundedPanel::card());
    auto* hint = new TextLabel(
        QStringLiteral("Sotto il nome di ogni colonna c'è il campo che riempie: fai clic "
                       "sull'intestazione per cambiarlo, oppure scegli una cella e il campo qui "
                       "sotto."),
        TextStyle::Caption, ColorName::Secondary, card);
    hint->setWordWrap(true);
    card->body()->addWidget(hint);

    auto* row = new QHBoxLayout;
    m_fieldColumn = new TextLabel(QString(), TextStyle::Body, ColorName::Primary, card);
    m_fieldColumn->setObjectName(QStringLiteral("fieldColumnName"));
    m_field = picker(QStringLiteral("columnFieldPicker"), card);
    for (const ImportField field : ImportFields::all()) {
        m_field->addItem(ImportFields::label(field));
    }
    connect(m_field, &QComboBox::activated, this, [this](int index) {
        m_session->setColumn(currentFileColumn(), ImportFields::all()[size_t(index)]);
    });
    row->addWidget(m_fieldColumn, 1, Qt::AlignBottom);
    row->addWidget(
        FieldBlock::captioned(QStringLiteral("Campo della colonna scelta"), m_field, card), 1);
    card->body()->addLayout(row);

    m_table = readOnlyTable(QStringLiteral("importPreview"),
                            QStringLiteral("Anteprima delle prime righe"), m_preview,
                            kPreviewHeight, card);
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        const qsizetype column = m_preview->fileColumn(section);
        if (column >= 0) {
            openFieldMenu(column);
        }
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ImportSheet::showColumnPicker);
    card->body()->addWidget(m_table);

    m_counts = new TextLabel(QString(), TextStyle::Subheadline, ColorName::Primary, card);
    m_counts->setObjectName(QStringLiteral("importCounts"));
    m_counts->setWordWrap(true);
    card->body()->addWidget(m_counts);
    return card;
}

QWidget* ImportSheet::buildOptionsCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(16));
    m_dates = new TextLabel(QString(), TextStyle::Body, ColorName::Primary, card);
    m_dates->setObjectName(QStringLiteral("importDates"));
    m_dates->setWordWrap(true);
    card->body()->addWidget(m_dates);
    m_dateOrder = new SegmentedControl(QStringLiteral("dateOrderControl"), card);
    m_dateOrder->setTitle(QStringLiteral("Ordine delle date"));
    m_dateOrder->addSegment(QStringLiteral("Giorno/Mese"), QStringLiteral("dayFirstSegment"));
    m_dateOrder->addSegment(QStringLiteral("Mese/Giorno"), QStringLiteral("monthFirstSegment"));
    connect(m_dateOrder, &SegmentedControl::currentIndexChanged, this, [this](int index) {
        m_session->setDateOrder(index == 0 ? DateReading::Order::DayFirst
                                           : DateReading::Order::MonthFirst);
    });
    card->body()->addWidget(m_dateOrder);

    m_unknownCycle = picker(QStringLiteral("unknownCyclePicker"), card);
    for (const Cycle& cycle : kCycles) {
        m_unknownCycle->addItem(QString::fromUtf8(cycle.label));
    }
    connect(m_unknownCycle, &QComboBox::activated, this, [this](int index) {
        m_session->setUnknownCycle(QString::fromLatin1(kCycles[index].value));
    });
    card->body()->addWidget(FieldBlock::captioned(
        QStringLiteral("Rinnovo senza un ciclo previsto (come \"semestrale\")"), m_unknownCycle,
        card));

    m_duplicates = new SegmentedControl(QStringLiteral("duplicatesControl"), card);
    m_duplicates->setTitle(QStringLiteral("Numeri di polizza già presenti"));
    m_duplicates->addSegment(QStringLiteral("Salta"), QStringLiteral("skipDuplicatesSegment"));
    m_duplicates->addSegment(QStringLiteral("Aggiorna"), QStringLiteral("updateDuplicatesSegment"));
    connect(m_duplicates, &SegmentedControl::currentIndexChanged, this, [this](int index) {
        m_session->setDuplicates(index == 0 ? ImportSettings::Duplicates::Skip
                                            : ImportSettings::Duplicates::Update);
    });
    card->body()->addWidget(m_duplicates);
    return card;
}

QWidget* ImportSheet::buildResultCard() {
    auto* card = new RoundedPanel(RoundedPanel::card());
    m_summary = new TextLabel(QString(), TextStyle::Title3, ColorName::Primary, card);
    m_summary->setObjectName(QStringLiteral("importSummary"));
    m_summary->setWordWrap(true);
    m_reminders = new TextLabel(QString(), TextStyle::Subheadline, ColorName::Secondary, card);
    m_reminders->setObjectName(QStringLiteral("importReminders"));
    m_reminders->setWordWrap(true);
    card->body()->addWidget(m_summary);
    card->body()->addWidget(m_reminders);

    m_resultRowsBlock = new QWidget(card);
    auto* stack = new QVBoxLayout(m_resultRowsBlock);
    stack->setContentsMargins(0, 0, 0, 0);
    QTableView* rows = readOnlyTable(QStringLiteral("importResultRows"),
                                     QStringLiteral("Righe saltate e corrette"), m_resultRows,
                                     kResultRowsHeight, m_resultRowsBlock);
    rows->horizontalHeader()->setStretchLastSection(true);
    rows->setColumnWidth(0, 60);
    rows->setColumnWidth(1, 90);
    rows->setColumnWidth(2, 320);
    stack->addWidget(rows);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* copy = new QPushButton(QStringLiteral("Copia Righe Saltate"), m_resultRowsBlock);
    copy->setObjectName(QStringLiteral("copySkippedButton"));
    copy->setAccessibleName(copy->text());
    copy->setAutoDefault(false);
    connect(copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(m_resultRows->skippedRowsText()); });
    auto* saveRows = new QPushButton(QStringLiteral("Salva Righe Saltate..."), m_resultRowsBlock);
    saveRows->setObjectName(QStringLiteral("saveSkippedButton"));
    saveRows->setAccessibleName(saveRows->text());
    saveRows->setAutoDefault(false);
    connect(saveRows, &QPushButton::clicked, this, &ImportSheet::saveSkippedRows);
    buttons->addWidget(copy);
    buttons->addWidget(saveRows);
    stack->addLayout(buttons);
    card->body()->addWidget(m_resultRowsBlock);
    return card;
}

void ImportSheet::showSession() {
    const std::optional<QString>& error = m_session->error();
    const SourceDescription& source = m_session->source();
    const ImportPlan& plan = m_session->plan();
    m_error->setVisible(error.has_value());
    m_error->setText(error.value_or(QString()));
    m_error->setAccessibleName(m_error->text());

    QString detected;
    if (!error) {
        detected = QStringLiteral("Letto come %1; %2")
                       .arg(formatName(source),
                            ImportResult::counted(qint64(plan.rows().size()),
                                                  QStringLiteral("riga"), QStringLiteral("righe")));
        if (source.replacedCharacters > 0) {
            detected += QStringLiteral(". ") +
                        ImportResult::counted(source.replacedCharacters,
                                              QStringLiteral("carattere non valido"),
                                              QStringLiteral("caratteri non validi")) +
                        QStringLiteral(" nella codifica scelta, mostrati come \uFFFD");
        }
    }
    m_detected->setText(detected);
    m_detected->setAccessibleName(detected);
    m_detected->setVisible(!detected.isEmpty());

    const bool text = source.format == SourceFormat::Csv;
    m_textBlocks->setVisible(text);
    {
        const QSignalBlocker blockEncoding(m_encoding);
        const QSignalBlocker blockDelimiter(m_delimiter);
        const QSignalBlocker blockSheet(m_sheet);
        for (int i = 0; i < int(std::size(Encodings::kAll)); ++i) {
            if (Encodings::kAll[i] == source.encoding) {
                m_encoding->setCurrentIndex(i);
            }
        }
        for (int i = 0; i < int(std::size(kDelimiters)); ++i) {
            if (kDelimiters[i].character == source.delimiter) {
                m_delimiter->setCurrentIndex(i);
            }
        }
        m_sheet->clear();
        m_sheet->addItems(source.sheets);
        m_sheet->setCurrentIndex(source.sheet);
    }
    m_sheetBlock->setVisible(!text && source.sheets.size() > 1);
    m_header->setChecked(m_session->settings().hasHeader);
    m_header->setEnabled(!error);

    // The preview is rebuilt from scratch: the cell chosen stays chosen, so that a column
    // remapped from the picker below keeps the picker on it.
    const QModelIndex chosen = m_table->currentIndex();
    m_preview->refresh();
    if (chosen.isValid() && chosen.row() < m_preview->rowCount() &&
        chosen.column() < m_preview->columnCount()) {
        m_table->setCurrentIndex(m_preview->index(chosen.row(), chosen.column()));
    }
    m_table->resizeColumnsToContents();
    for (int column = 0; column < m_preview->columnCount(); ++column) {
        m_table->setColumnWidth(column, std::min(m_table->columnWidth(column), kLongestColumn));
    }
    if (error) {
        m_counts->setText(QString());
    } else {
        QString counts =
            QStringLiteral("Da importare: ") +
            ImportResult::counted(plan.policiesToInsert(), QStringLiteral("polizza nuova"),
                                  QStringLiteral("polizze nuove")) +
            QStringLiteral(" e ") +
            ImportResult::counted(plan.contactsToCreate(), QStringLiteral("contatto nuovo"),
                                  QStringLiteral("contatti nuovi"));
        if (plan.policiesToUpdate() > 0) {
            counts += QStringLiteral("; ") +
                      ImportResult::counted(plan.policiesToUpdate(),
                                            QStringLiteral("polizza da aggiornare"),
                                            QStringLiteral("polizze da aggiornare"));
        }
        counts +=
            QStringLiteral("; ") + ImportResult::counted(plan.count(ImportPlan::Verdict::Refused),
                                                         QStringLiteral("riga rifiutata"),
                                                         QStringLiteral("righe rifiutate"));
        m_counts->setText(counts);
    }
    m_counts->setAccessibleName(m_counts->text());

    const ImportSettings& settings = m_session->settings();
    const DateReading::ColumnFormat& dates = m_session->expiryFormat();
    const QString order = settings.dateOrder == DateReading::Order::DayFirst
                              ? QStringLiteral("giorno/mese/anno")
                              : QStringLiteral("mese/giorno/anno");
    QString datesText =
        dates.ambiguous
            ? QStringLiteral("Le scadenze del file si leggono sia come giorno/mese sia come "
                             "mese/giorno: ora sono lette come %1. Scegli l'ordine giusto.")
                  .arg(order)
            : QStringLiteral("Scadenze lette come %1.").arg(order);
    if (dates.unreadable > 0) {
        datesText +=
            u' ' +
            ImportResult::counted(dates.unreadable, QStringLiteral("scadenza non si legge"),
                                  QStringLiteral("scadenze non si leggono")) +
            QStringLiteral(" come data.");
    }
    datesText += QStringLiteral(" Una scadenza senza ora vale alle 09:00.");
    m_dates->setText(datesText);
    m_dates->setAccessibleName(datesText);
    m_dates->setTextColor(dates.ambiguous ? ColorName::Orange : ColorName::Primary);
    {
        const QSignalBlocker blockOrder(m_dateOrder);
        const QSignalBlocker blockCycle(m_unknownCycle);
        const QSignalBlocker blockDuplicates(m_duplicates);
        m_dateOrder->setCurrentIndex(settings.dateOrder == DateReading::Order::DayFirst ? 0 : 1);
        for (int i = 0; i < int(std::size(kCycles)); ++i) {
            if (settings.unknownCycle == QLatin1String(kCycles[i].value)) {
                m_unknownCycle->setCurrentIndex(i);
            }
        }
        m_duplicates->setCurrentIndex(settings.duplicates == ImportSettings::Duplicates::Skip ? 0
                                                                                              : 1);
    }
    showColumnPicker();
    setSaveEnabled(!error && !m_session->isBusy() &&
                   plan.policiesToInsert() + plan.policiesToUpdate() + plan.contactsToCreate() > 0);
}

qsizetype ImportSheet::currentFileColumn() const {
    const qsizetype column = m_preview->fileColumn(m_table->currentIndex().column());
    if (column >= 0) {
        return column;
    }
    return m_session->columnCount() > 0 ? 0 : -1;
}

void ImportSheet::showColumnPicker() {
    const qsizetype column = currentFileColumn();
    const bool any = column >= 0 && column < m_session->columnCount();
    m_field->setEnabled(any && m_session->phase() != ImportSession::Phase::Saving &&
                        m_session->phase() != ImportSession::Phase::Scheduling);
    if (!any) {
        m_fieldColumn->setText(QString());
        return;
    }
    m_fieldColumn->setText(QStringLiteral("Colonna «%1»").arg(m_session->headers().value(column)));
    m_fieldColumn->setAccessibleName(m_fieldColumn->text());
    const ImportField field = m_session->settings().columns[size_t(column)];
    const std::vector<ImportField>& fields = ImportFields::all();
    const QSignalBlocker block(m_field);
    m_field->setCurrentIndex(int(std::find(fields.begin(), fields.end(), field) - fields.begin()));
}

void ImportSheet::openFieldMenu(qsizetype fileColumn) {
    if (fileColumn < 0 || fileColumn >= m_session->columnCount()) {
        return;
    }
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("columnFieldMenu"));
    menu->setAccessibleName(QStringLiteral("Campo della colonna"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const ImportField current = m_session->settings().columns[size_t(fileColumn)];
    for (const ImportField field : ImportFields::all()) {
        QAction* action = menu->addAction(ImportFields::label(field));
        action->setObjectName(QStringLiteral("field_") + ImportFields::key(field));
        action->setCheckable(true);
        action->setChecked(field == current);
        connect(action, &QAction::triggered, this,
                [this, fileColumn, field] { m_session->setColumn(fileColumn, field); });
    }
    QHeaderView* header = m_table->horizontalHeader();
    const int section = m_preview->modelColumn(fileColumn);
    const QPoint below(header->sectionViewportPosition(section), header->height());
    menu->popup(header->viewport()->mapToGlobal(below));
}

void ImportSheet::onPhase(ImportSession::Phase phase) {
    const bool running =
        phase == ImportSession::Phase::Saving || phase == ImportSession::Phase::Scheduling;
    for (QWidget* section : std::as_const(m_inputSections)) {
        section->setEnabled(!running);
    }
    if (phase == ImportSession::Phase::Idle) {
        m_progress->end();
    } else {
        m_status->hide();
        m_progress->setStatus(phaseText(phase), 0, 0);
        m_progress->setCancellable(!running);
        m_progress->begin();
        setSaveEnabled(false);
    }
}

void ImportSheet::onProgress(ImportSession::Phase phase, qint64 done, qint64 total) {
    m_progress->setStatus(phaseText(phase), done, total);
}

void ImportSheet::onFinished(const ImportResult& result) {
    m_progress->end();
    if (result.error) {
        m_status->setText(m_cancelling ? *result.error
                                       : QStringLiteral("Error importing: ") + *result.error);
        m_status->setAccessibleName(m_status->text());
        m_status->show();
        m_cancelling = false;
        showSession();
        return;
    }
    m_done = true;
    for (QWidget* section : std::as_const(m_inputSections)) {
        section->hide();
    }
    m_summary->setText(result.summary());
    m_summary->setAccessibleName(m_summary->text());
    QString reminders =
        ImportResult::counted(result.remindersScheduled, QStringLiteral("promemoria programmato"),
                              QStringLiteral("promemoria programmati"));
    if (result.remindersFailed > 0) {
        reminders += QStringLiteral("; ") +
                     ImportResult::counted(result.remindersFailed,
                                           QStringLiteral("promemoria non programmato"),
                                           QStringLiteral("promemoria non programmati"));
    }
    m_reminders->setText(reminders);
    m_reminders->setAccessibleName(reminders);
    m_result = result;
    m_resultRows->setResult(result);
    m_resultRowsBlock->setVisible(m_resultRows->rowCount() > 0);
    m_resultSection->show();
    setSaveText(QStringLiteral("Fine"));
    setCancelShown(false);
    setSaveEnabled(true);
    // The sections that held the focus are gone: Space or Return closes the sheet.
    saveButton()->setFocus();
    Q_EMIT imported(result);
}

void ImportSheet::saveSkippedRows() {
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("skippedRowsFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->setNameFilter(QStringLiteral("CSV (*.csv)"));
    dialog->selectFile(QStringLiteral("Righe saltate.csv"));
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        QString error;
        if (!m_result.writeSkippedRows(path, m_services.clock.locale(), &error)) {
            m_services.log.write(QStringLiteral("Error exporting: "), error);
            m_status->setText(QStringLiteral("Error exporting: ") + error);
            m_status->show();
        }
    });
    dialog->open();
}

bool ImportSheet::save() {
    if (m_done) {
        accept();
        return true;
    }
    m_cancelling = false;
    m_status->hide();
    m_session->run();
    return false;
}

void ImportSheet::reject() {
    const ImportSession::Phase phase = m_session->phase();
    // Past the point where the save begins, the import finishes first.
    if (phase == ImportSession::Phase::Saving || phase == ImportSession::Phase::Scheduling) {
        return;
    }
    m_session->cancel();
    EditorSheet::reject();
}
