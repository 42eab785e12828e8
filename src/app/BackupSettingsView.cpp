#include "app/BackupSettingsView.h"

#include "app/AppSettings.h"
#include "app/SettingsSection.h"
#include "backup/BackupService.h"
#include "platform/Clock.h"
#include "platform/DesktopActions.h"
#include "recovery/RestoreTexts.h"
#include "ui/TextLabel.h"

#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QPushButton* button(const QString& text, const QString& objectName, QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    made->setObjectName(objectName);
    made->setAccessibleName(text);
    return made;
}

} // namespace

BackupSettingsView::BackupSettingsView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(services) {
    auto* form = new QVBoxLayout(this);
    QVBoxLayout* automatic = SettingsSection::add(form, QStringLiteral("Backup Automatici"));
    automatic->addWidget(buildStatusRow());
    automatic->addWidget(SettingsSection::caption(
        QStringLiteral("Una copia dell'archivio al giorno, documenti compresi. Si tengono "
                       "l'ultima di ciascuno degli ultimi 7 giorni, 5 settimane e 12 mesi."),
        this));
    auto* buttons = new QHBoxLayout;
    m_backUpNow =
        button(QStringLiteral("Esegui Backup Ora"), QStringLiteral("backUpNowButton"), this);
    connect(m_backUpNow, &QPushButton::clicked, this, [this] { m_services.backups.backUpNow(); });
    auto* folder =
        button(QStringLiteral("Mostra Cartella"), QStringLiteral("showBackupFolderButton"), this);
    connect(folder, &QPushButton::clicked, this, [this] {
        m_services.desktop.openUrl(QUrl::fromLocalFile(m_services.backups.folder()));
    });
    buttons->addWidget(m_backUpNow);
    buttons->addWidget(folder);
    buttons->addStretch();
    automatic->addLayout(buttons);

    QVBoxLayout* second = SettingsSection::add(form, QStringLiteral("Seconda Copia"));
    second->addWidget(buildSecondFolderRow());
    second->addWidget(SettingsSection::caption(
        QStringLiteral("Un disco esterno o una cartella sincronizzata. Se non c'è al momento del "
                       "backup, la copia si salta e si riprova al successivo."),
        this));
    form->addStretch();

    connect(&m_services.backups, &BackupService::backupFinished, this,
            &BackupSettingsView::showStatus);
    connect(&m_services.backups, &BackupService::busyChanged, this,
            &BackupSettingsView::showStatus);
    showStatus();
    showSecondFolder();
}

QWidget* BackupSettingsView::buildStatusRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_statusIcon = new QLabel(row);
    m_statusIcon->setObjectName(QStringLiteral("backupStatusIcon"));
    m_statusText = new TextLabel(QString(), TextStyle::Body, ColorName::Primary, row);
    m_statusText->setObjectName(QStringLiteral("backupStatusText"));
    m_statusText->setWordWrap(true);
    m_statusText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_statusIcon, 0, Qt::AlignTop);
    layout->addWidget(m_statusText, 1);
    return row;
}

QWidget* BackupSettingsView::buildSecondFolderRow() {
    auto* block = new QWidget(this);
    auto* stack = new QVBoxLayout(block);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    stack->addWidget(new TextLabel(QStringLiteral("Copia anche in:"), TextStyle::Body,
                                   ColorName::Primary, block));
    auto* row = new QHBoxLayout;
    m_secondFolder = new TextLabel(QString(), TextStyle::Body, ColorName::Secondary, block);
    m_secondFolder->setObjectName(QStringLiteral("secondFolderPath"));
    // A long path is cut in the middle, where it says least, to the width there is.
    m_secondFolder->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_secondFolder->installEventFilter(this);
    auto* choose =
        button(QStringLiteral("Scegli..."), QStringLiteral("chooseSecondFolderButton"), block);
    choose->setAccessibleName(QStringLiteral("Scegli la cartella della seconda copia"));
    connect(choose, &QPushButton::clicked, this, &BackupSettingsView::chooseSecondFolder);
    m_clearSecondFolder =
        button(QStringLiteral("Nessuna"), QStringLiteral("clearSecondFolderButton"), block);
    m_clearSecondFolder->setAccessibleName(QStringLiteral("Nessuna seconda copia"));
    connect(m_clearSecondFolder, &QPushButton::clicked, this,
            [this] { setSecondFolder(QString()); });
    row->addWidget(m_secondFolder, 1);
    row->addWidget(choose);
    row->addWidget(m_clearSecondFolder);
    stack->addLayout(row);
    return block;
}

void BackupSettingsView::showStatus() {
    const BackupService& backups = m_services.backups;
    const std::optional<QString>& failure = backups.failure();
    QString text;
    if (failure) {
        text = QStringLiteral("Ultimo backup non riuscito: ") + *failure;
    } else if (const std::optional<BackupEntry> newest = backups.newestBackup()) {
        text = QStringLiteral("Ultimo backup: ") +
               RestoreTexts::dateTime(newest->localTime, m_services.clock.locale());
    } else {
        text = QStringLiteral("Ultimo backup: nessuno");
    }
    if (backups.isBusy()) {
        text += QStringLiteral(" (backup in corso…)");
    }
    m_statusText->setText(text);
    m_statusText->setAccessibleName(text);
    m_statusText->setTextColor(failure ? ColorName::Red : ColorName::Primary);
    SettingsSection::paintIcon(
        m_statusIcon,
        failure ? QStringLiteral("xmark.circle.fill") : QStringLiteral("checkmark.circle.fill"),
        QFontMetrics(m_statusText->font()).height(), failure ? ColorName::Red : ColorName::Green);
    m_statusIcon->setVisible(failure.has_value() || backups.newestBackup().has_value());
    m_backUpNow->setEnabled(!backups.isBusy());
}

void BackupSettingsView::showSecondFolder() {
    const QString folder = m_services.settings.backupSecondFolder();
    const QString shown = folder.isEmpty() ? QStringLiteral("nessuna cartella") : folder;
    m_secondFolder->setText(
        m_secondFolder->fontMetrics().elidedText(shown, Qt::ElideMiddle, m_secondFolder->width()));
    m_secondFolder->setToolTip(folder);
    m_secondFolder->setAccessibleName(QStringLiteral("Copia anche in: ") + shown);
    m_clearSecondFolder->setEnabled(!folder.isEmpty());
}

bool BackupSettingsView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_secondFolder && event->type() == QEvent::Resize) {
        showSecondFolder();
    }
    return QWidget::eventFilter(watched, event);
}

void BackupSettingsView::chooseSecondFolder() {
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("secondFolderDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    const QString current = m_services.settings.backupSecondFolder();
    if (!current.isEmpty()) {
        dialog->setDirectory(current);
    }
    connect(dialog, &QFileDialog::fileSelected, this, &BackupSettingsView::setSecondFolder);
    dialog->open();
}

void BackupSettingsView::setSecondFolder(const QString& folder) {
    m_services.settings.setBackupSecondFolder(folder);
    m_services.backups.setSecondFolder(folder);
    showSecondFolder();
}
