#include "ui/dialog_units.h"

#include <QFontMetrics>
#include <QString>

namespace kalvire::ui {

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int alphabet = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  // The average over both cases, rounded to the nearest pixel.
  m_base_x = (alphabet / 26 + 1) / 2;
  m_base_y = metrics.height();
}

QRect DialogUnits::ToPixels(int left, int top, int width, int height) const {
  return QRect(X(left), Y(top), X(width), Y(height));
}

}  // namespace kalvire::ui
