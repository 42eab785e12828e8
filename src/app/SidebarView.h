#pragma once

#include <QWidget>

#include <array>

class QLabel;
class QToolButton;

// The main window's sidebar: under the heading "Tracciamento", one row per section of the
// content column. The chosen row is drawn in the accent colour on a faint accent background.
class SidebarView final : public QWidget {
    Q_OBJECT
public:
    // The sections by their tags.
    static constexpr int kPolicies = 1;
    static constexpr int kContacts = 2;
    static constexpr int kAgenda = 3;

    explicit SidebarView(QWidget* parent = nullptr);

    int selectedTab() const { return m_selectedTab; }
    void setSelectedTab(int tag);
    // Gives the chosen row the focus without the keyboard's mark.
    void focusChosenRow();

Q_SIGNALS:
    void selectedTabChanged(int tag);

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        const char* label;
        const char* iconName;
        const char* objectName;
        int tag;
    };
    static constexpr std::array<Row, 3> kRows{{
        {"Polizze", "doc.text", "policiesRow", kPolicies},
        {"Contatti", "person.2", "contactsRow", kContacts},
        {"Agenda", "calendar", "agendaRow", kAgenda},
    }};

    void applyLook();

    int m_selectedTab = kPolicies;
    QLabel* m_heading;
    std::array<QToolButton*, kRows.size()> m_buttons{};
};
