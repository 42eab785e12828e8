#include "recovery/DamagedStorePage.h"

#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "platform/DesktopActions.h"
#include "recovery/RestoreTexts.h"
#include "ui/Icons.h"
#include "ui/ProgressPanel.h"
#include "ui/RoundedPanel.h"
#include "ui/SectionTitle.h"
#include "ui/TextLabel.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace {

constexpr int kColumnWidth = 560;
constexpr int kIconSize = 48;

QPushButton* button(const QString& text, const QString& objectName, QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    made->setObjectName(objectName);
    made->setAccessibleName(text);
    made->setAutoDefault(false);
    return made;
}

} // namespace

DamagedStorePage::DamagedStorePage(Services services, const QString& why, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , m_flow(new RestoreFlow({.context = m_services.context,
                              .clock = m_services.clock,
                              .log = m_services.log,
                              .confirmation = m_services.confirmation,
                              .restoreBackup = m_services.restoreBackup},
                             this)) {
    setObjectName(QStringLiteral("damagedStorePage"));
    setAccessibleName(QStringLiteral("Impossibile aprire l'archivio"));
    // On the text background, as the lists it stands in for.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);

    auto* column = new QWidget(this);
    column->setMaximumWidth(kColumnWidth);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(20);
    stack->addWidget(buildHeader(why));
    stack->addWidget(new SectionTitle(QStringLiteral("Ultimo Backup Valido"),
                                      QStringLiteral("cylinder.split.1x2"), column));
    stack->addWidget(buildOffer());
    stack->addWidget(buildActions());
    m_progress = new ProgressPanel(column);
    connect(m_progress, &ProgressPanel::cancelRequested, m_flow, &RestoreFlow::stopChecking);
    stack->addWidget(m_progress);
    m_status = new TextLabel(QString(), TextStyle::Body, ColorName::Red, column);
    m_status->setObjectName(QStringLiteral("damagedStoreStatus"));
    m_status->setWordWrap(true);
    m_status->hide();
    stack->addWidget(m_status);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(32, 32, 32, 32);
    outer->addStretch(1);
    auto* centred = new QHBoxLayout;
    centred->addStretch();
    centred->addWidget(column, 1);
    centred->addStretch();
    outer->addLayout(centred);
    outer->addStretch(2);

    connect(m_flow, &RestoreFlow::phaseChanged, this, &DamagedStorePage::onPhase);
    connect(m_flow, &RestoreFlow::refused, this, &DamagedStorePage::showStatus);
    connect(m_flow, &RestoreFlow::finished, this, [this](const RestoreOutcome& outcome) {
        if (outcome.restored) {
            Q_EMIT restored(outcome);
        } else {
            showStatus(QStringLiteral("Ripristino non riuscito: ") + outcome.error);
        }
    });
    applyLook();
    lookForBackup();
}

DamagedStorePage::~DamagedStorePage() {
    if (m_looking) {
        *m_looking = true;
    }
}

QWidget* DamagedStorePage::buildHeader(const QString& why) {
    auto* header = new QWidget;
    auto* stack = new QVBoxLayout(header);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);
    m_icon = new QLabel(header);
    stack->addWidget(m_icon);
    const QString title = QStringLiteral("Impossibile aprire l'archivio");
    auto* titleLabel = new TextLabel(title, TextStyle::Title2, ColorName::Primary, header);
    titleLabel->setObjectName(QStringLiteral("damagedStoreTitle"));
    titleLabel->setAccessibleName(title);
    stack->addWidget(titleLabel);
    auto* whyLabel = new TextLabel(why, TextStyle::Body, ColorName::Secondary, header);
    whyLabel->setObjectName(QStringLiteral("damagedStoreReason"));
    whyLabel->setAccessibleName(why);
    whyLabel->setWordWrap(true);
    whyLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stack->addWidget(whyLabel);
    auto* kept = new TextLabel(
        QStringLiteral("Le polizze e i contatti non si possono mostrare. Il file dell'archivio "
                       "non viene modificato: ripristinando un backup viene conservato accanto, "
                       "con un nome che comincia per «QuintaverModel-damaged»."),
        TextStyle::Caption, ColorName::Secondary, header);
    kept->setWordWrap(true);
    stack->addWidget(kept);
    return header;
}

QWidget* DamagedStorePage::buildOffer() {
    auto* card = new RoundedPanel(RoundedPanel::card(6));
    m_offerTitle = new TextLabel(QStringLiteral("Ricerca del backup più recente che supera il "
                                                "controllo…"),
                                 TextStyle::Headline, ColorName::Primary, card);
    m_offerTitle->setObjectName(QStringLiteral("offeredBackup"));
    m_offerTitle->setWordWrap(true);
    m_offerCounts = new TextLabel(QString(), TextStyle::Subheadline, ColorName::Secondary, card);
    m_offerCounts->setObjectName(QStringLiteral("offeredBackupCounts"));
    m_offerCounts->hide();
    auto* row = new QHBoxLayout;
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(m_offerTitle);
    texts->addWidget(m_offerCounts);
    row->addLayout(texts, 1);
    m_restore = button(QStringLiteral("Ripristina Questo Backup"),
                       QStringLiteral("restoreOfferedButton"), card);
    m_restore->hide();
    connect(m_restore, &QPushButton::clicked, this, [this] {
        if (m_offered) {
            m_status->hide();
            m_flow->start(m_offered->entry.path);
        }
    });
    row->addWidget(m_restore, 0, Qt::AlignVCenter);
    card->body()->addLayout(row);
    return card;
}

QWidget* DamagedStorePage::buildActions() {
    auto* actions = new QWidget;
    auto* row = new QHBoxLayout(actions);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    m_other = button(QStringLiteral("Scegli un Altro Backup..."),
                     QStringLiteral("otherBackupButton"), actions);
    connect(m_other, &QPushButton::clicked, this, &DamagedStorePage::otherBackupRequested);
    auto* folder = button(QStringLiteral("Mostra Cartella"),
                          QStringLiteral("showBackupFolderButton"), actions);
    connect(folder, &QPushButton::clicked, this,
            [this] { m_services.desktop.openUrl(QUrl::fromLocalFile(m_services.folder)); });
    row->addWidget(m_other);
    row->addWidget(folder);
    row->addStretch();
    return actions;
}

void DamagedStorePage::lookForBackup() {
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_looking = stop;
    runInBackground<std::optional<BackupCatalog::Checked>>(
        this,
        [folder = m_services.folder, zone = m_services.clock.timeZone(), stop] {
            return BackupCatalog::newestWhole(folder, zone, stop.get());
        },
        [this](std::optional<BackupCatalog::Checked> found) {
            m_looking.reset();
            m_offered = std::move(found);
            showOffer();
        });
}

void DamagedStorePage::showOffer() {
    const QLocale locale = m_services.clock.locale();
    if (!m_offered) {
        m_offerTitle->setText(QStringLiteral("Nessun backup supera il controllo."));
        m_offerCounts->setText(
            QStringLiteral("Scegline un altro, salvato altrove, o guarda nella cartella."));
    } else {
        m_offerTitle->setText(QStringLiteral("Backup del ") +
                              RestoreTexts::dateTime(m_offered->entry.localTime, locale));
        m_offerCounts->setText(RestoreTexts::policies(m_offered->contents.policies, locale) +
                               QStringLiteral(" e ") +
                               RestoreTexts::contacts(m_offered->contents.contacts, locale));
    }
    m_offerTitle->setAccessibleName(m_offerTitle->text());
    m_offerCounts->setAccessibleName(m_offerCounts->text());
    m_offerCounts->show();
    m_restore->setVisible(m_offered.has_value());
}

void DamagedStorePage::onPhase(RestoreFlow::Phase phase) {
    const bool idle = phase == RestoreFlow::Phase::Idle;
    m_restore->setEnabled(idle);
    m_other->setEnabled(idle);
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
}

void DamagedStorePage::showStatus(const QString& text) {
    m_status->setText(text);
    m_status->setAccessibleName(text);
    m_status->show();
}

void DamagedStorePage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyLook();
    }
}

void DamagedStorePage::applyLook() {
    if (!m_icon) {
        return; // a change that comes while the page is being built
    }
    m_icon->setPixmap(Icons::pixmap(QStringLiteral("exclamationmark.triangle.fill"), kIconSize,
                                    Palette::color(ColorName::Orange, palette()),
                                    devicePixelRatioF()));
}
