#pragma once

#include "store/ManagedObjectModel.h"

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
    // selectColumns(table) + " ORDER BY rowid"
    static QString selectAll(const Table& table);
    // "SELECT rowid, <every column> FROM <table>", where a byte-string column reads as its
    // size (an integer), NULL, or the name of the type it holds instead of a blob (text):
    // SQLite tells a blob's size without reading the blob.
    static QString selectColumns(const Table& table);
    // "SELECT <column> FROM <table>" for one row chosen by the caller's WHERE clause.
    static QString selectColumn(const Table& table, const Column& column);

    static QString quoted(const QString& identifier);

private:
    std::vector<Table> m_tables;
};
