#include "platform/NotificationCenter.h"

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

void NotificationCenter::post(const QString& name) {
    Q_EMIT posted(name);
}

QMetaObject::Connection NotificationCenter::addObserver(const QString& name, const QObject* context,
                                                        std::function<void()> observer) {
    return connect(
        this, &NotificationCenter::posted, context,
        [name, observer = std::move(observer)](const QString& postedName) {
            if (postedName == name) {
                observer();
            }
        },
        Qt::DirectConnection);
}
