// A colour of four bytes: red, green, blue, alpha.
#pragma once

#include "tier0/platform.h"

class Color {
 public:
  constexpr Color() = default;
  constexpr Color(int r, int g, int b, int a = 255)
      : m_Bytes{static_cast<uint8>(r), static_cast<uint8>(g), static_cast<uint8>(b), static_cast<uint8>(a)} {}

  void SetColor(int r, int g, int b, int a = 255) { *this = Color(r, g, b, a); }
  constexpr int r() const { return m_Bytes[0]; }
  constexpr int g() const { return m_Bytes[1]; }
  constexpr int b() const { return m_Bytes[2]; }
  constexpr int a() const { return m_Bytes[3]; }
  uint8 &operator[](int index) { return m_Bytes[index]; }
  constexpr uint8 operator[](int index) const { return m_Bytes[index]; }
  // The four bytes as one little-endian word.
  constexpr uint32 GetRawColor() const {
    return m_Bytes[0] | (m_Bytes[1] << 8) | (m_Bytes[2] << 16) | (static_cast<uint32>(m_Bytes[3]) << 24);
  }
  constexpr bool operator==(const Color &other) const = default;

 private:
  uint8 m_Bytes[4] = {0, 0, 0, 0};
};
