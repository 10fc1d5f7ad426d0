#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

#include <cstdint>
#include <optional>

namespace quillar {

// Bytes shown as themselves and the bytes of a saved capture use Windows-1252
// with its five unassigned bytes mapped to the C1 controls of the same value,
// so every byte has exactly one character and back.
[[nodiscard]] QChar byteToChar(std::uint8_t byte);
[[nodiscard]] std::optional<std::uint8_t> charToByte(QChar ch);

[[nodiscard]] QString decodeBytes(const QByteArray &bytes);
// Characters outside the code page become '?'.
[[nodiscard]] QByteArray encodeText(const QString &text);

} // namespace quillar
