// Point, rectangle and time: plain values with signed 32-bit (point,
// rectangle) and signed 64-bit (time) fields.
#pragma once

#include <cstdint>

namespace kx {

struct CPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  constexpr CPoint() = default;
  constexpr CPoint(std::int32_t initX, std::int32_t initY) : x(initX), y(initY) {}
  friend constexpr bool operator==(const CPoint& a, const CPoint& b) = default;
};

struct CRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  constexpr CRect() = default;
  constexpr CRect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
      : left(l), top(t), right(r), bottom(b) {}
  constexpr std::int32_t Width() const { return right - left; }
  constexpr std::int32_t Height() const { return bottom - top; }
  friend constexpr bool operator==(const CRect& a, const CRect& b) = default;
};

// Seconds since 1970-01-01 00:00:00 UTC.
class CTime {
 public:
  constexpr CTime() = default;
  constexpr explicit CTime(std::int64_t seconds) : seconds_(seconds) {}
  constexpr std::int64_t GetTime() const { return seconds_; }
  friend constexpr bool operator==(const CTime& a, const CTime& b) = default;

 private:
  std::int64_t seconds_ = 0;
};

}  // namespace kx
