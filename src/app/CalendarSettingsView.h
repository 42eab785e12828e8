#pragma once

#include <QWidget>

class AppSettings;
class LiveCalendar;
class QCheckBox;
class QPushButton;
class TextLabel;

// The settings window's "Calendario" tab: "Mantieni aggiornato un calendario", which keeps
// the calendar file beside the store up to date, and the file's address, to select or copy
// ("Copia") into GNOME Calendar, Evolution or Thunderbird as a calendar to subscribe to. A
// file that cannot be written is said here until it can.
class CalendarSettingsView final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        AppSettings& settings;
        LiveCalendar& calendar;
    };

    explicit CalendarSettingsView(Services services, QWidget* parent = nullptr);

    // Turns the file on or off as a click on the check box does.
    void setKeptUpToDate(bool on);

private:
    void showState();

    Services m_services;
    QCheckBox* m_toggle = nullptr;
    TextLabel* m_address = nullptr;
    QPushButton* m_copy = nullptr;
    TextLabel* m_status = nullptr;
};
