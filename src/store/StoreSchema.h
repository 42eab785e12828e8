#pragma once

#include "ManagedObjectModel.h"

#include <QString>
#include <QStringList>

#include <vector>

// The tables that follow from a model: one per entity, named as the entity, with one column
// per attribute and per to-one relationship, named as the property. Byte-string attributes
// come last, so that reading any other column never walks a large value's overflow pages.
class StoreSchema final {
public:
    struct Column {
        QString name;
        int attribute = -1;    // index of the attribute, or -1
        int relationship = -1; // index of the to-one relationship, or -1
        QString sqlType;
        bool notNull = false;
    };
    struct Table {
        const EntityDescription* entity = nullptr;
        std::vector<Column> columns;
        std::vector<int> columnOfAttribute;    // -1 for none
        std::vector<int> columnOfRelationship; // -1 for to-many sides
    };

    explicit StoreSchema(const ManagedObjectModel& model);

    const Table& table(const EntityDescription& entity) const {
        return m_tables[size_t(entity.index())];
    }
    const std::vector<Table>& tables() const { return m_tables; }

    // Every CREATE TABLE and CREATE INDEX statement, in an order that runs.
    QStringList createStatements() const;
    // "SELECT rowid, <every column> FROM <table> ORDER BY rowid"
    static QString selectAll(const Table& table);
    // "SELECT rowid, <every column> FROM <table>", byte-string columns read as NULL unless
    // `withBinary`.
    static QString selectColumns(const Table& table, bool withBinary);

    static QString quoted(const QString& identifier);

private:
    std::vector<Table> m_tables;
};
