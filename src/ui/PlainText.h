#pragma once

#include <QString>

// A text a user typed or chose, made safe for the places that guess whether a text is markup
// (tooltips): it shows exactly as written and never as a link.
QString plainToolTip(const QString& text);
