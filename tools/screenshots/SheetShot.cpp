#include "SheetShot.h"

#include "ScreenCamera.h"
#include "support/WaitUntil.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QScrollArea>

bool shootSheet(ScreenCamera& camera, QDialog* sheet, const char* name, int width) {
    sheet->show();
    QApplication::processEvents();
    // A document's row says its pages once the renderer has read it.
    if (auto* pages = sheet->findChild<QLabel*>(QStringLiteral("pdfPageCount"))) {
        waitUntil([pages] { return !pages->text().isEmpty(); });
    }
    if (auto* scroll = sheet->findChild<QScrollArea*>()) {
        sheet->resize(width, scroll->widget()->sizeHint().height());
    }
    QApplication::processEvents();
    const bool written = camera.take(sheet->grab(), QLatin1String(name));
    sheet->close();
    QApplication::processEvents();
    return written;
}
