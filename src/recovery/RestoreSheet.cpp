#include "recovery/RestoreSheet.h"

#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "recovery/BackupListModel.h"
#include "ui/EmptyState.h"
#include "ui/ProgressPanel.h"
#include "ui/RoundedPanel.h"
#include "ui/TextLabel.h"

#include <QBoxLayout>
#include <QFileDialog>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

namespace {

constexpr int kSectionWidth = 600;
constexpr int kListHeight = 200;

} // namespace

RestoreSheet::RestoreSheet(Services services, QWidget* parent)
    : EditorSheet(QStringLiteral("Ripristina Backup"),
                  QStringLiteral("Riporta le polizze e i contatti com'erano in un backup"),
                  QStringLiteral("Ripristina..."), parent)
    , m_services(std::move(services))
    , m_flow(new RestoreFlow({.context = m_services.context,
                              .clock = m_services.clock,
                              .log = m_services.log,
                              .confirmation = m_services.confirmation,
                              .restoreBackup = m_services.restoreBackup},
                             this))
    , m_model(new BackupListModel(this)) {
    setObjectName(QStringLiteral("restoreSheet"));
    setSectionWidth(kSectionWidth);
    setMinimumHeight(560);
    resize(kSectionWidth + 80, 700);

    addSection(QStringLiteral("Backup Automatici"), QStringLiteral("cylinder.split.1x2"),
               buildListCard(), QStringLiteral("automaticBackupsSection"));
    addSection(QStringLiteral("Un Altro File"), QStringLiteral("doc.text"), buildFileCard(),
               QStringLiteral("otherBackupSection"));

    m_progress = new ProgressPanel(this);
    addAboveActions(m_progress);
    connect(m_progress, &ProgressPanel::cancelRequested, m_flow, &RestoreFlow::stopChecking);
    m_status = new TextLabel(QString(), TextStyle::Body, ColorName::Red, this);
    m_status->setObjectName(QStringLiteral("restoreStatus"));
    m_status->setWordWrap(true);
    m_status->hide();
    addAboveActions(m_status);

    connect(m_flow, &RestoreFlow::phaseChanged, this, &RestoreSheet::onPhase);
    connect(m_flow, &RestoreFlow::refused, this, &RestoreSheet::showStatus);
    connect(m_flow, &RestoreFlow::finished, this, [this](const RestoreOutcome& outcome) {
        if (!outcome.restored) {
            showStatus(QStringLiteral("Ripristino non riuscito: ") + outcome.error);
            return;
        }
        Q_EMIT restored(outcome);
        accept();
    });
    updateSaveButton();
    listBackups();
}

RestoreSheet::~RestoreSheet() {
    if (m_listing) {
        *m_listing = true;
    }
}

QWidget* RestoreSheet::buildListCard() {
    auto* card = new RoundedPanel(RoundedPanel::card());
    auto* hint =
        new TextLabel(QStringLiteral("Quelli che il programma scrive da sé in %1, dal più recente.")
                          .arg(m_services.folder),
                      TextStyle::Caption, ColorName::Secondary, card);
    hint->setObjectName(QStringLiteral("backupFolderHint"));
    hint->setWordWrap(true);
    card->body()->addWidget(hint);

    m_loading = new TextLabel(QStringLiteral("Lettura dei backup…"), TextStyle::Subheadline,
                              ColorName::Secondary, card);
    m_loading->setObjectName(QStringLiteral("backupsLoading"));
    card->body()->addWidget(m_loading);
    m_empty = new EmptyState(QStringLiteral("cylinder.split.1x2"),
                             QStringLiteral("Nessun backup automatico"),
                             QStringLiteral("Il primo si scrive all'avvio del programma."), card);
    m_empty->setObjectName(QStringLiteral("noBackups"));
    m_empty->setFixedHeight(kListHeight);
    m_empty->hide();
    card->body()->addWidget(m_empty);

    m_table = new QTableView(card);
    m_table->setObjectName(QStringLiteral("backupList"));
    m_table->setAccessibleName(QStringLiteral("Backup automatici"));
    m_table->setModel(m_model);
    m_table->setFixedHeight(kListHeight);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setTabKeyNavigation(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(BackupListModel::DateColumn,
                                                      QHeaderView::Stretch);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_table->hide();
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RestoreSheet::updateSaveButton);
    // A double click, or Return on a row, as "Ripristina...".
    connect(m_table, &QTableView::activated, this, [this] { saveNow(); });
    card->body()->addWidget(m_table);
    return card;
}

QWidget* RestoreSheet::buildFileCard() {
    auto* card = new RoundedPanel(RoundedPanel::card());
    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    auto* hint = new TextLabel(QStringLiteral("Una copia salvata con «Esegui Backup...», su un "
                                              "disco esterno o in un'altra cartella."),
                               TextStyle::Caption, ColorName::Secondary, card);
    hint->setWordWrap(true);
    row->addWidget(hint, 1);
    auto* choose = new QPushButton(QStringLiteral("Scegli File..."), card);
    choose->setObjectName(QStringLiteral("chooseBackupFileButton"));
    choose->setAccessibleName(choose->text());
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, &RestoreSheet::chooseFile);
    row->addWidget(choose, 0, Qt::AlignVCenter);
    card->body()->addLayout(row);
    return card;
}

void RestoreSheet::listBackups() {
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_listing = stop;
    runInBackground<std::vector<BackupCatalog::Checked>>(
        this,
        [folder = m_services.folder, zone = m_services.clock.timeZone(), stop] {
            return BackupCatalog::counted(folder, zone, stop.get());
        },
        [this](std::vector<BackupCatalog::Checked> backups) {
            m_listing.reset();
            const bool none = backups.empty();
            m_model->setBackups(std::move(backups), m_services.clock.locale());
            m_loading->hide();
            m_empty->setVisible(none);
            m_table->setVisible(!none);
            if (!none) {
                m_table->selectRow(0);
            }
            refreshTabOrder();
            updateSaveButton();
        });
}

void RestoreSheet::chooseFile() {
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("restoreFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(
        {QStringLiteral("Backup (*.sqlite)"), QStringLiteral("Tutti i file (*)")});
    connect(dialog, &QFileDialog::fileSelected, this, &RestoreSheet::restoreFile);
    dialog->open();
}

void RestoreSheet::restoreFile(const QString& path) {
    m_status->hide();
    m_flow->start(path);
}

bool RestoreSheet::save() {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return false;
    }
    restoreFile(m_model->backup(rows.first().row()).entry.path);
    return false;
}

void RestoreSheet::onPhase(RestoreFlow::Phase phase) {
    switch (phase) {
    case RestoreFlow::Phase::Idle:
    case RestoreFlow::Phase::Asking:
        m_progress->end();
        break;
    case RestoreFlow::Phase::Checking:
        m_progress->setStatus(QStringLiteral("Controllo del backup…"), 0, 0);
        m_progress->setCancellable(true);
        m_progress->begin();
        break;
    case RestoreFlow::Phase::Restoring:
        m_progress->setStatus(QStringLiteral("Ripristino del backup…"), 0, 0);
        m_progress->setCancellable(false);
        m_progress->showNow();
        break;
    }
    updateSaveButton();
}

void RestoreSheet::showStatus(const QString& text) {
    m_status->setText(text);
    m_status->setAccessibleName(text);
    m_status->show();
}

void RestoreSheet::updateSaveButton() {
    setSaveEnabled(m_flow->phase() == RestoreFlow::Phase::Idle &&
                   m_table->selectionModel()->hasSelection());
}

void RestoreSheet::reject() {
    // The store is being replaced: the sheet stays until it is back.
    if (m_flow->phase() == RestoreFlow::Phase::Restoring) {
        return;
    }
    EditorSheet::reject();
}
