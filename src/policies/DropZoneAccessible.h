#pragma once

#include <QAccessibleWidget>

class DropZoneView;

// What a screen reader is told of the editor's drop zone: a button, whose press asks for the
// file dialog as a click does.
class DropZoneAccessible final : public QAccessibleWidget {
public:
    explicit DropZoneAccessible(DropZoneView* zone);

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    // Makes every drop zone told as a button; once per process is enough, more is harmless.
    static void install();
};
