#pragma once

#include <QWidget>

class AppSettings;
class AutostartEntry;
class LogChannel;
class QCheckBox;
class QComboBox;
class QLineEdit;

// The settings window's first tab: starting at login, the panel icon, the default reminder and
// the agency's line at the top of a printed report.
class GeneralSettingsView final : public QWidget {
    Q_OBJECT
public:
    // The minutes the picker offers, in order.
    static constexpr int kReminderOptions[] = {5, 15, 30, 60};

    GeneralSettingsView(AppSettings& settings, AutostartEntry& autostart, LogChannel& log,
                        QWidget* parent = nullptr);

private:
    QWidget* buildReminderPicker();
    QWidget* buildReportHeading();
    void onLaunchAtLoginClicked(bool on);

    AppSettings& m_settings;
    AutostartEntry& m_autostart;
    LogChannel& m_log;
    QCheckBox* m_launchAtLogin;
    QCheckBox* m_showMenuBar;
    QComboBox* m_reminder;
    QLineEdit* m_reportHeading = nullptr;
};
