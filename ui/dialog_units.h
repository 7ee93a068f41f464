// Dialog layouts are given in dialog units of the dialog's font, as the dialog templates of the
// program have always been laid out: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height.
#pragma once

#include <QFont>
#include <QRect>

namespace kalvire::ui {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  // left, top, width, height in dialog units to pixels.
  QRect ToPixels(int left, int top, int width, int height) const;
  int X(int units) const { return units * m_base_x / 4; }
  int Y(int units) const { return units * m_base_y / 8; }

 private:
  int m_base_x = 0;
  int m_base_y = 0;
};

}  // namespace kalvire::ui
