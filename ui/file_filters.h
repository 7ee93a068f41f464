// The file dialogs' filters are written the classic way, "Name (*.ext)|*.ext|...||"; Qt wants
// one "Name (patterns)" entry per filter, and takes the patterns from the parentheses.
#pragma once

#include <QString>
#include <QStringList>

namespace kalvire::ui {

// Every name|pattern pair as a Qt name filter. "*.*" becomes "*", so that "All Files" also
// lists names without a dot, as it does on the platform the filters were written for.
QStringList ToQtNameFilters(const QString& filter);

// ".rom" -> "rom": Qt's default suffix has no dot.
QString ToQtDefaultSuffix(const QString& extension);

}  // namespace kalvire::ui
