#pragma once

#include "report/RenewalReportContent.h"

#include <QString>

#include <memory>

class QTextDocument;
class TaskControl;

// The renewal report as a text document: the agency's line, the title, the range and when it
// was made, then one heading and one table per week with the week's count, and the total.
// Every text goes in as plain text, so a name with line breaks, separators or any script shows
// whole and nothing in it is read as markup. Built on any thread (no widget is touched).
namespace RenewalDocument {

// Column widths are fractions of the page; lengths in points are given in units of `dpi` dots
// per inch, those the text layout reads its lengths in. Null when `control` asked to stop
// meanwhile.
std::unique_ptr<QTextDocument> build(const RenewalReportContent& content, qreal dpi,
                                     TaskControl* control = nullptr);

// "1 polizza", "2.000 polizze".
QString policyCount(qsizetype count);

} // namespace RenewalDocument
