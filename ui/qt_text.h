// The texts the core hands to the widgets are byte strings: setup and DMI texts are single
// bytes (Latin-1), so every byte maps to one character and back without loss. Paths and the
// dialog values of the DMI table are UTF-8.
#pragma once

#include <QString>
#include <string>

namespace kalvire::ui {

inline QString FromLatin1(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

// Characters above U+00FF have no single byte; they become '?' (the edit fields that feed the
// setup strings accept Latin-1 only, so this happens only with foreign callers).
inline std::string ToLatin1(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), size_t(bytes.size()));
}

inline QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

inline std::string ToUtf8(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), size_t(bytes.size()));
}

}  // namespace kalvire::ui
