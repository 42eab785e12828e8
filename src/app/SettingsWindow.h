#pragma once

#include "app/SettingsView.h"

#include <QObject>

#include <memory>

// The program's one settings window, built the first time it is asked for: every later
// present() brings the same window forward ("Preferences..." in the main menu and in the
// panel's popover both call it).
class SettingsWindow final : public QObject {
    Q_OBJECT
public:
    explicit SettingsWindow(const SettingsView::Services& services, QObject* parent = nullptr);
    ~SettingsWindow() override;

    void present();
    // Nothing until the first present().
    SettingsView* view() const { return m_view.get(); }

private:
    SettingsView::Services m_services;
    std::unique_ptr<SettingsView> m_view;
};
