#pragma once

#include "ui/ItemDataRole.h"
#include "ui/LiveResultsModel.h"

#include <QStringList>
#include <QTextBoundaryFinder>

#include <vector>

// The titles of the rows a list model shows now, in order.
inline QStringList shownTitles(const QAbstractItemModel& model) {
    QStringList titles;
    for (int row = 0; row < model.rowCount(); ++row) {
        titles << model.index(row, 0).data(TitleRole).toString();
    }
    return titles;
}

// Whether `text` contains `search` as Unicode's caseless match has it, worked out another way
// than the lists do: the lower case of the upper case of the lower case ("ẞ", "ß" and "SS" all
// read "ss"), composed, and a match ends where a character ends, never before its accent.
inline bool containsCaseless(const QString& text, const QString& search) {
    const auto folded = [](const QString& raw) {
        return raw.normalized(QString::NormalizationForm_D)
            .toLower()
            .toUpper()
            .toLower()
            .normalized(QString::NormalizationForm_C);
    };
    const QString haystack = folded(text);
    const QString needle = folded(search);
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, haystack);
    for (qsizetype at = haystack.indexOf(needle); at >= 0; at = haystack.indexOf(needle, at + 1)) {
        characters.setPosition(at + needle.size());
        if (characters.isAtBoundary()) {
            return true;
        }
    }
    return false;
}

// A piece of a made-up name: plain and accented letters, composed or not, a lone combining
// grave, "ß" and its capital, and the capitals "SS".
inline QString namePiece(int which) {
    static const QStringList pieces = {
        QStringLiteral("a"),      QStringLiteral("B"),      QStringLiteral("s"),
        QStringLiteral("S"),      QStringLiteral("\u00DF"), QStringLiteral("\u1E9E"),
        QStringLiteral("\u00E8"), QStringLiteral("\u00C8"), QStringLiteral("E"),
        QStringLiteral("SS"),     QStringLiteral("\u0300"), QStringLiteral("e\u0300")};
    return pieces[which % pieces.size()];
}

// The rows a view would hold if it rebuilt them from nothing but a list model's signals
// (reset, insert, remove, move), so a test can compare them with a fresh fetch: a row the
// model translates wrongly shows up as a difference.
class ModelMirror final {
public:
    explicit ModelMirror(LiveResultsModel& model)
        : m_model(model) {
        QObject::connect(&model, &QAbstractItemModel::modelReset, [this] { reread(); });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex&, int first, int) {
                             m_rows.insert(m_rows.begin() + first, m_model.objectAt(first));
                         });
        QObject::connect(
            &model, &QAbstractItemModel::rowsRemoved,
            [this](const QModelIndex&, int first, int) { m_rows.erase(m_rows.begin() + first); });
        QObject::connect(&model, &QAbstractItemModel::rowsMoved,
                         [this](const QModelIndex&, int from, int, const QModelIndex&, int before) {
                             ManagedObject* moved = m_rows[size_t(from)];
                             m_rows.erase(m_rows.begin() + from);
                             m_rows.insert(m_rows.begin() + (before > from ? before - 1 : before),
                                           moved);
                         });
        reread();
    }

    const std::vector<ManagedObject*>& rows() const { return m_rows; }

private:
    void reread() {
        m_rows.clear();
        for (int row = 0; row < m_model.rowCount(); ++row) {
            m_rows.push_back(m_model.objectAt(row));
        }
    }

    LiveResultsModel& m_model;
    std::vector<ManagedObject*> m_rows;
};
