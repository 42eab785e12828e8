#pragma once

#include <QWidget>

class AppSettings;
class NotificationService;
class QLabel;
class QPushButton;

// The settings window's second tab: whether the desktop shows the program's notifications,
// and their sound.
class NotificationSettingsView final : public QWidget {
    Q_OBJECT
public:
    NotificationSettingsView(AppSettings& settings, NotificationService& service,
                             QWidget* parent = nullptr);

    void setNotificationsAuthorized(bool authorized);
    // Asks the service for permission; its answer sets the status row. An error that comes
    // with the answer is not reported.
    void requestAuthorization();

private:
    QWidget* buildStatusRow();
    void applyStatus();

    AppSettings& m_settings;
    NotificationService& m_service;
    bool m_authorized = false;
    QLabel* m_statusIcon;
    QLabel* m_statusText;
    QPushButton* m_enable;
};
