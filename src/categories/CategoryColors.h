#pragma once

#include <QIcon>
#include <QPalette>
#include <QString>
#include <QStringList>

// The colours a category may be given, by the names it stores, and the dot each is drawn as.
namespace CategoryColors {

// Every name the palette knows for a category, in the order the settings offer them.
QStringList names();
// The Italian name shown for a stored colour name; the stored text itself for one the
// palette does not know (it is drawn blue and kept as it is).
QString label(const QString& name);
// A filled circle in the category's colour (blue for a name the palette does not know).
QIcon dot(const QString& name, const QPalette& palette);

} // namespace CategoryColors
