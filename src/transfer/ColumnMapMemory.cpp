#include "transfer/ColumnMapMemory.h"

#include "transfer/TextKey.h"

#include <QCryptographicHash>
#include <QSettings>

ColumnMapMemory::ColumnMapMemory(QSettings& store)
    : m_store(store) {}

QString ColumnMapMemory::keyFor(const QStringList& headers) {
    QStringList loose;
    for (const QString& header : headers) {
        loose.append(TextKey::loose(header));
    }
    const QByteArray digest =
        QCryptographicHash::hash(loose.join(QChar(0x1F)).toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("importColumnMaps/") + QString::fromLatin1(digest.toHex());
}

std::optional<ColumnMap> ColumnMapMemory::recall(const QStringList& headers) const {
    const QStringList keys = m_store.value(keyFor(headers)).toStringList();
    if (keys.isEmpty() || keys.size() != headers.size()) {
        return std::nullopt;
    }
    ColumnMap map;
    for (const QString& key : keys) {
        const std::optional<ImportField> field = ImportFields::fromKey(key);
        if (!field) {
            return std::nullopt;
        }
        map.push_back(*field);
    }
    return map;
}

void ColumnMapMemory::remember(const QStringList& headers, const ColumnMap& map) {
    QStringList keys;
    for (size_t i = 0; i < size_t(headers.size()); ++i) {
        keys.append(ImportFields::key(i < map.size() ? map[i] : ImportField::Ignore));
    }
    m_store.setValue(keyFor(headers), keys);
    m_store.sync();
}
