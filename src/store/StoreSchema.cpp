#include "store/StoreSchema.h"

namespace {

QString sqlTypeOf(AttributeType type) {
    switch (type) {
    case AttributeType::String:
    case AttributeType::Uuid:
        return QStringLiteral("TEXT");
    case AttributeType::Binary:
        return QStringLiteral("BLOB");
    case AttributeType::Integer32:
    case AttributeType::Boolean:
    case AttributeType::Date:
        break;
    }
    return QStringLiteral("INTEGER");
}

} // namespace

StoreSchema::StoreSchema(const ManagedObjectModel& model) {
    for (const auto& entity : model.entities()) {
        Table table;
        table.entity = entity.get();
        table.columnOfAttribute.assign(entity->attributes().size(), -1);
        table.columnOfRelationship.assign(entity->relationships().size(), -1);
        auto addAttributes = [&](bool binary) {
            for (size_t i = 0; i < entity->attributes().size(); ++i) {
                const AttributeDescription& attribute = *entity->attributes()[i];
                if ((attribute.attributeType() == AttributeType::Binary) != binary) {
                    continue;
                }
                table.columnOfAttribute[i] = int(table.columns.size());
                table.columns.push_back({attribute.name(), int(i), -1,
                                         sqlTypeOf(attribute.attributeType()),
                                         !attribute.isOptional()});
            }
        };
        addAttributes(false);
        for (size_t i = 0; i < entity->relationships().size(); ++i) {
            const RelationshipDescription& relationship = *entity->relationships()[i];
            if (relationship.isToMany()) {
                continue;
            }
            table.columnOfRelationship[i] = int(table.columns.size());
            table.columns.push_back(
                {relationship.name(), -1, int(i), QStringLiteral("TEXT"), false});
        }
        addAttributes(true);
        m_tables.push_back(std::move(table));
    }
}

QString StoreSchema::quoted(const QString& identifier) {
    return u'"' + QString(identifier).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QStringList StoreSchema::createStatements() const {
    QStringList statements;
    for (const Table& table : m_tables) {
        const EntityDescription& entity = *table.entity;
        QStringList columns;
        for (const Column& column : table.columns) {
            QString definition = quoted(column.name) + u' ' + column.sqlType;
            if (column.attribute >= 0 && column.attribute == entity.identityAttribute()) {
                definition += QStringLiteral(" NOT NULL PRIMARY KEY");
            } else if (column.notNull) {
                definition += QStringLiteral(" NOT NULL");
            }
            if (column.relationship >= 0) {
                const RelationshipDescription& relationship =
                    *entity.relationships()[size_t(column.relationship)];
                // Deferred, so that one save may write a row and the row it points to in
                // either order.
                definition += QStringLiteral(" REFERENCES ") +
                              quoted(relationship.destinationEntity()->name()) +
                              QStringLiteral("(\"id\") ON DELETE SET NULL"
                                             " DEFERRABLE INITIALLY DEFERRED");
            }
            columns << definition;
        }
        statements << QStringLiteral("CREATE TABLE %1 (%2)")
                          .arg(quoted(entity.name()), columns.join(QStringLiteral(", ")));
    }
    for (const Table& table : m_tables) {
        const EntityDescription& entity = *table.entity;
        std::vector<QStringList> indexes = entity.fetchIndexes();
        for (const Column& column : table.columns) {
            if (column.relationship >= 0) {
                indexes.push_back({column.name});
            }
        }
        for (const QStringList& keys : indexes) {
            QStringList quotedKeys;
            for (const QString& key : keys) {
                quotedKeys << quoted(key);
            }
            statements << QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                              .arg(quoted(entity.name() + u'_' + keys.join(u'_')),
                                   quoted(entity.name()), quotedKeys.join(QStringLiteral(", ")));
        }
    }
    return statements;
}

QString StoreSchema::selectAll(const Table& table) {
    return selectColumns(table) + QStringLiteral(" ORDER BY rowid");
}

QString StoreSchema::selectColumns(const Table& table) {
    QStringList columns{QStringLiteral("rowid")};
    for (const Column& column : table.columns) {
        const QString name = quoted(column.name);
        if (column.sqlType == u"BLOB") {
            // typeof() and length() of a column are answered from the record header alone.
            columns << QStringLiteral("CASE typeof(%1) WHEN 'blob' THEN length(%1) WHEN 'null' "
                                      "THEN NULL ELSE typeof(%1) END")
                           .arg(name);
        } else {
            columns << name;
        }
    }
    return QStringLiteral("SELECT %1 FROM %2")
        .arg(columns.join(QStringLiteral(", ")), quoted(table.entity->name()));
}

QString StoreSchema::selectColumn(const Table& table, const Column& column) {
    return QStringLiteral("SELECT %1 FROM %2")
        .arg(quoted(column.name), quoted(table.entity->name()));
}
