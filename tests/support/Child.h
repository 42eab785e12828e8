#pragma once

#include <QLatin1String>
#include <QObject>

// The object of that type and name anywhere below `root` (a widget a test reaches by its object
// name, as a screen reader would); null when there is none.
template <typename T> T* child(const QObject* root, const char* name) {
    return root->findChild<T*>(QLatin1String(name));
}
