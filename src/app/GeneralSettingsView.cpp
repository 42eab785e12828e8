#include "app/GeneralSettingsView.h"

#include "app/AppSettings.h"
#include "app/SettingsSection.h"
#include "platform/AutostartEntry.h"
#include "platform/LogChannel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

GeneralSettingsView::GeneralSettingsView(AppSettings& settings, AutostartEntry& autostart,
                                         LogChannel& log, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_autostart(autostart)
    , m_log(log)
    , m_launchAtLogin(new QCheckBox(QStringLiteral("Launch at Login"), this))
    , m_showMenuBar(new QCheckBox(QStringLiteral("Show in Menu Bar"), this))
    , m_reminder(new QComboBox(this)) {
    auto* form = new QVBoxLayout(this);
    QVBoxLayout* startup = SettingsSection::add(form, QStringLiteral("Startup"));
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLoginToggle"));
    m_launchAtLogin->setChecked(m_settings.launchAtLogin());
    startup->addWidget(m_launchAtLogin);
    m_showMenuBar->setObjectName(QStringLiteral("showMenuBarToggle"));
    m_showMenuBar->setChecked(m_settings.showMenuBar());
    startup->addWidget(m_showMenuBar);
    SettingsSection::add(form, QStringLiteral("Defaults"))->addWidget(buildReminderPicker());
    SettingsSection::add(form, QStringLiteral("Stampa"))->addWidget(buildReportHeading());
    form->addStretch();

    // Only the user's clicks write: filling the controls above changed nothing stored.
    connect(m_launchAtLogin, &QCheckBox::clicked, this,
            &GeneralSettingsView::onLaunchAtLoginClicked);
    connect(m_showMenuBar, &QCheckBox::clicked, &m_settings, &AppSettings::setShowMenuBar);
    connect(m_reminder, &QComboBox::activated, this,
            [this](int index) { m_settings.setDefaultReminderTime(kReminderOptions[index]); });
}

QWidget* GeneralSettingsView::buildReminderPicker() {
    m_reminder->setObjectName(QStringLiteral("defaultReminderPicker"));
    for (const int minutes : kReminderOptions) {
        m_reminder->addItem(QStringLiteral("%1 minutes before").arg(minutes), minutes);
    }
    // A stored value the picker does not offer selects nothing, and stays stored.
    m_reminder->setCurrentIndex(m_reminder->findData(m_settings.defaultReminderTime()));
    auto* row = new QWidget(this);
    auto* layout = new QFormLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addRow(QStringLiteral("Default Reminder"), m_reminder);
    return row;
}

QWidget* GeneralSettingsView::buildReportHeading() {
    m_reportHeading = new QLineEdit(this);
    m_reportHeading->setObjectName(QStringLiteral("reportHeadingField"));
    m_reportHeading->setAccessibleName(QStringLiteral("Intestazione della stampa"));
    m_reportHeading->setPlaceholderText(QStringLiteral("Per esempio: Agenzia Rossi Assicurazioni"));
    m_reportHeading->setText(m_settings.reportHeading());
    // Each edit is kept at once, so closing the window never loses what was typed.
    connect(m_reportHeading, &QLineEdit::textEdited, &m_settings, &AppSettings::setReportHeading);
    auto* row = new QWidget(this);
    auto* layout = new QFormLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addRow(QStringLiteral("Intestazione della stampa"), m_reportHeading);
    return row;
}

void GeneralSettingsView::onLaunchAtLoginClicked(bool on) {
    // The preference says what the desktop will do: it changes only with the entry.
    if (const std::optional<QString> error = m_autostart.setEnabled(on)) {
        m_log.write(QStringLiteral("Error changing launch at login: "), *error);
        const QSignalBlocker blocker(m_launchAtLogin);
        m_launchAtLogin->setChecked(!on);
        return;
    }
    m_settings.setLaunchAtLogin(on);
}
