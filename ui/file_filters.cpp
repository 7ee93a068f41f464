#include "ui/file_filters.h"

namespace kalvire::ui {

QStringList ToQtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i].trimmed();
    const QString& pattern_list = parts[i + 1];
    if (name.isEmpty() || pattern_list.trimmed().isEmpty()) continue;
    QStringList patterns;
    for (QString pattern : pattern_list.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      pattern = pattern.trimmed();
      patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    const qsizetype open = name.lastIndexOf(QLatin1Char('('));
    if (open > 0 && name.endsWith(QLatin1Char(')'))) name = name.left(open).trimmed();
    filters << name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters;
}

QString ToQtDefaultSuffix(const QString& extension) {
  return extension.startsWith(QLatin1Char('.')) ? extension.mid(1) : extension;
}

}  // namespace kalvire::ui
