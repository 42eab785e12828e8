#pragma once

#include "report/RenewalReportContent.h"

#include <QPageSize>
#include <QString>

#include <functional>
#include <optional>

class QLocale;
class QPagedPaintDevice;
class TaskControl;

// The renewal report on paper: laid out for the device's page and painted page by page with
// "Pagina N di M" at the foot of each. It may run on a worker thread, painting on a PDF writer
// or a printer made for it (no widget is touched).
namespace RenewalPages {

// Letter where the locale's territory uses it (the United States and Canada), A4 elsewhere.
QPageSize paperFor(const QLocale& locale);

// Paints the report on `device`, whose page size and margins are already set. `abandon` is
// called, before the painter ends, when `control` asks to stop: a printer drops the job there.
// Nothing, or why the pages could not be made ("Annullato" once stopped).
std::optional<QString> paint(const RenewalReportContent& content, QPagedPaintDevice& device,
                             TaskControl* control = nullptr,
                             const std::function<void()>& abandon = {});

// Writes the report as a PDF file of `paper`, portrait, at `path`: into a temporary file in
// the same folder, which takes the name only once complete, so a failure or a stop leaves no
// file under that name (and the one that was there, untouched). Nothing, or why not.
std::optional<QString> writePdf(const QString& path, const RenewalReportContent& content,
                                const QPageSize& paper, TaskControl* control = nullptr);

// The line at the foot of each page: "Pagina 2 di 5".
QString pageFooter(int page, int pages);

} // namespace RenewalPages
