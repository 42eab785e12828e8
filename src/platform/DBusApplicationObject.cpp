#include "platform/DBusApplicationObject.h"

#include <QDBusVariant>

namespace {
QVariant unwrapped(const QVariant& value) {
    return value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()
               ? value.value<QDBusVariant>().variant()
               : value;
}
} // namespace

QString DBusApplicationObject::activationToken(const QVariantMap& platformData) {
    // Wayland launchers send "activation-token", X11 ones "desktop-startup-id".
    for (const char* key : {"activation-token", "desktop-startup-id"}) {
        QString token = unwrapped(platformData.value(QLatin1String(key))).toString();
        if (!token.isEmpty()) {
            return token;
        }
    }
    return QString();
}

void DBusApplicationObject::Activate(const QVariantMap& platformData) {
    Q_EMIT activated(activationToken(platformData));
}

void DBusApplicationObject::Open(const QStringList& uris, const QVariantMap& platformData) {
    Q_UNUSED(uris);
    Q_EMIT activated(activationToken(platformData));
}

void DBusApplicationObject::ActivateAction(const QString& actionName, const QVariantList& parameter,
                                           const QVariantMap& platformData) {
    QVariantList values;
    for (const QVariant& value : parameter) {
        values.append(unwrapped(value));
    }
    Q_EMIT actionActivated(actionName, values, activationToken(platformData));
}
