#pragma once

#include "platform/Instant.h"

#include <QDate>
#include <QUuid>
#include <QWidget>

#include <memory>
#include <optional>

class AgendaData;
class AgendaDayModel;
class AgendaDayRow;
class AgendaSearchModel;
class Clock;
class LogChannel;
class ManagedObject;
class ManagedObjectContext;
class MonthGridModel;
class NotificationManager;
class QCheckBox;
class QListView;
class QStackedWidget;
class QTableView;
class SearchField;
class TextLabel;

// The agenda section: the month grid with its arrows and "Oggi" on the left, the chosen day's
// list on the right, and above them the search over events and tasks, whose matches stand in
// for the day list while there is text. A click chooses a day, a double click asks for a new
// event on it; Return or a double click on a row asks to open its event or task; a task's tick
// marks it done (or not) and saves at once.
//
// The chosen row is held as its object, so it stays chosen while the store changes around it.
class AgendaView final : public QWidget {
    Q_OBJECT

public:
    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        LogChannel& log;
        NotificationManager& reminders;
    };

    explicit AgendaView(Services services, QWidget* parent = nullptr);
    ~AgendaView() override;

    QDate selectedDay() const { return m_day; }
    // Shows the day's month with the day chosen.
    void selectDay(QDate day);
    void showMonth(int offset);
    void showToday();
    // Shows the stored event's day (that of `occurrence` when given, else its start) with the
    // event chosen; false when no such event is stored.
    bool openEvent(const QUuid& id, std::optional<Instant> occurrence = std::nullopt);
    // Shows the stored task's due day (today's list when it has none) with it chosen.
    bool openTask(const QUuid& id);
    const std::shared_ptr<ManagedObject>& selectedItem() const { return m_selected; }

    AgendaData& data() const { return *m_data; }
    MonthGridModel& gridModel() const { return *m_grid; }
    AgendaDayModel& dayModel() const { return *m_dayModel; }
    AgendaSearchModel& searchModel() const { return *m_searchModel; }

Q_SIGNALS:
    void newEventRequested(QDate day);
    void eventActivated(const QUuid& id);
    void taskActivated(const QUuid& id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildDayColumn();
    void buildGrid();
    void showSelectedDay();
    void chooseItem(const std::shared_ptr<ManagedObject>& object);
    void showChosenRow();
    void activate(const QModelIndex& index);
    void toggleTask(const QModelIndex& index);
    void openMatch(const QModelIndex& index);
    void searchChanged(const QString& text);
    void showColumnTitle();
    bool moveByKey(int key);

    Services m_services;
    AgendaData* m_data;
    MonthGridModel* m_grid;
    AgendaDayModel* m_dayModel;
    AgendaSearchModel* m_searchModel;
    QDate m_day;
    std::shared_ptr<ManagedObject> m_selected;
    TextLabel* m_monthTitle = nullptr;
    TextLabel* m_dayTitle = nullptr;
    SearchField* m_search = nullptr;
    QCheckBox* m_showCompleted = nullptr;
    QTableView* m_gridView = nullptr;
    QStackedWidget* m_dayPane = nullptr;
    QListView* m_dayList = nullptr;
    AgendaDayRow* m_dayRows = nullptr;
    QListView* m_matches = nullptr;
};
