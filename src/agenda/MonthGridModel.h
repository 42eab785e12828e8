#pragma once

#include <QAbstractTableModel>
#include <QDate>

class AgendaData;
class Clock;

// The month grid as a table of six weeks of seven days, columns from the locale's first
// weekday. Each cell is a day: its number, whether it is today and in the month shown, and up
// to three event titles with their categories' colours, with how many more there are. It reads
// the agenda's data and follows its changes; no cell holds a widget.
class MonthGridModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Role : int {
        DateRole = Qt::UserRole + 100, // QDate
        TitlesRole,                    // QStringList, at most kShownTitles
        ColorsRole,                    // QStringList: the category colour name of each title
        MoreRole,                      // int: the events beyond the titles shown
        TodayRole,                     // bool
        InMonthRole,                   // bool
    };
    static constexpr int kShownTitles = 3;

    MonthGridModel(AgendaData& data, const Clock& clock, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    QDate dateAt(const QModelIndex& index) const;
    QModelIndex indexOf(QDate day) const;

private:
    void refresh();

    AgendaData& m_data;
    const Clock& m_clock;
};
