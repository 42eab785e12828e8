#include "app/NotificationSettingsView.h"

#include "app/AppSettings.h"
#include "app/SettingsSection.h"
#include "platform/NotificationService.h"
#include "ui/Typography.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

NotificationSettingsView::NotificationSettingsView(AppSettings& settings,
                                                   NotificationService& service, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_service(service)
    , m_statusIcon(new QLabel(this))
    , m_statusText(new QLabel(this))
    , m_enable(new QPushButton(QStringLiteral("Enable Notifications"), this)) {
    auto* form = new QVBoxLayout(this);
    QVBoxLayout* status = SettingsSection::add(form, QStringLiteral("Status"));
    status->addWidget(buildStatusRow());
    m_enable->setObjectName(QStringLiteral("enableNotificationsButton"));
    status->addWidget(m_enable, 0, Qt::AlignLeft);

    QVBoxLayout* sound = SettingsSection::add(form, QStringLiteral("Settings"));
    auto* soundToggle = new QCheckBox(QStringLiteral("Enable Sound"), this);
    soundToggle->setObjectName(QStringLiteral("soundToggle"));
    soundToggle->setChecked(m_settings.soundEnabled());
    sound->addWidget(soundToggle);
    sound->addWidget(SettingsSection::caption(
        QStringLiteral(
            "You can customize notification sounds in your desktop's notification settings"),
        this));
    SettingsSection::add(form, QStringLiteral("Policy Reminders"))
        ->addWidget(SettingsSection::caption(
            QStringLiteral("Reminders for expiring policies are automatically scheduled based "
                           "on each policy's settings."),
            this));
    form->addStretch();

    connect(soundToggle, &QCheckBox::clicked, &m_settings, &AppSettings::setSoundEnabled);
    connect(m_enable, &QPushButton::clicked, this, &NotificationSettingsView::requestAuthorization);
    applyStatus();
}

QWidget* NotificationSettingsView::buildStatusRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_statusIcon->setObjectName(QStringLiteral("notificationStatusIcon"));
    m_statusText->setObjectName(QStringLiteral("notificationStatusText"));
    m_statusText->setFont(Typography::font(TextStyle::Body));
    layout->addWidget(m_statusIcon);
    layout->addWidget(m_statusText);
    layout->addStretch();
    return row;
}

void NotificationSettingsView::setNotificationsAuthorized(bool authorized) {
    m_authorized = authorized;
    applyStatus();
}

void NotificationSettingsView::applyStatus() {
    SettingsSection::paintIcon(m_statusIcon,
                               m_authorized ? QStringLiteral("checkmark.circle.fill")
                                            : QStringLiteral("xmark.circle.fill"),
                               QFontMetrics(m_statusText->font()).height(),
                               m_authorized ? ColorName::Green : ColorName::Red);
    m_statusText->setText(m_authorized ? QStringLiteral("Notifications Enabled")
                                       : QStringLiteral("Notifications Disabled"));
    m_enable->setVisible(!m_authorized);
}

void NotificationSettingsView::requestAuthorization() {
    // The answer may outlive the window.
    m_service.requestAuthorization(
        [view = QPointer(this)](bool granted, const std::optional<QString>&) {
            if (view) {
                view->setNotificationsAuthorized(granted);
            }
        });
}
