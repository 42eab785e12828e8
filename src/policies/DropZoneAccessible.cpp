#include "policies/DropZoneAccessible.h"

#include "policies/DropZoneView.h"

DropZoneAccessible::DropZoneAccessible(DropZoneView* zone)
    : QAccessibleWidget(zone, QAccessible::Button) {}

QStringList DropZoneAccessible::actionNames() const {
    return {pressAction()};
}

void DropZoneAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction()) {
        Q_EMIT static_cast<DropZoneView*>(widget())->tapped();
    }
}

void DropZoneAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(
            [](const QString& key, QObject* object) -> QAccessibleInterface* {
                auto* zone = qobject_cast<DropZoneView*>(object);
                return key == QLatin1String("DropZoneView") && zone ? new DropZoneAccessible(zone)
                                                                    : nullptr;
            });
        return true;
    }();
    Q_UNUSED(installed);
}
