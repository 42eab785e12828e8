#pragma once

#include "agenda/EventEditView.h"
#include "agenda/TaskEditView.h"
#include "support/Child.h"
#include "support/PolicyScreenFixture.h"
#include "support/RawSqlite.h"

#include <QPointer>
#include <QPushButton>
#include <QTest>

// An event or task editor over a window, on a store file of the test's own (so that a test
// can make the disk refuse a write), with reminders kept in memory.
class AgendaEditorFixture : public PolicyScreenFixture {
protected:
    void SetUp() override {
        m_controller = open(storePath());
        m_window.resize(900, 800);
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }
    EventEditView::Services eventServices(int defaultReminder = 15) {
        return {.context = context(),
                .reminders = *m_reminders,
                .clock = m_clock,
                .log = *m_log,
                .confirmation = m_confirmation,
                .defaultReminderMinutes = defaultReminder};
    }
    TaskEditView::Services taskServices() {
        return {.context = context(),
                .reminders = *m_reminders,
                .clock = m_clock,
                .log = *m_log,
                .confirmation = m_confirmation};
    }
    template <typename Sheet> Sheet* shown(Sheet* sheet) {
        sheet->open();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(sheet));
        return sheet;
    }
    static QPushButton* saveButton(QWidget* sheet) {
        return child<QPushButton>(sheet, "saveButton");
    }
    static bool closed(const QPointer<QWidget>& sheet) {
        return waitUntil([&sheet] { return sheet.isNull(); });
    }
    // Makes the disk refuse (or accept again) new rows of an entity.
    void refuseWrites(const char* table, bool refuse) {
        RawSqlite raw(storePath());
        const QByteArray trigger = QByteArray("refuse") + table;
        const QByteArray sql = refuse ? "CREATE TRIGGER " + trigger + " BEFORE INSERT ON " + table +
                                            " BEGIN SELECT RAISE(ABORT, 'disk refuses'); END;"
                                      : "DROP TRIGGER " + trigger + ";";
        ASSERT_TRUE(raw.exec(sql.constData()));
    }

    QWidget m_window;
};
