// known_walks.h - segments worked out by hand: the points a stroke segment
// stamps (brush centres), start first, one short of the target on the minor
// axis whenever the minor delta is not 0.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace testing_support {

struct KnownWalk {
  int32_t fromX, fromY, toX, toY;
  std::vector<std::pair<int32_t, int32_t>> points;
};

inline const std::vector<KnownWalk>& knownWalks() {
  static const std::vector<KnownWalk> walks = {
      {0, 0, 4, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}},
      {0, 0, 2, 1, {{0, 0}, {1, 0}, {2, 0}}},
      {0, 0, 5, 2, {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 1}}},
      {0, 0, 3, 3, {{0, 0}, {0, 1}, {1, 2}, {2, 3}}},
      {4, 0, 0, 2, {{4, 0}, {3, 0}, {2, 0}, {1, 1}, {0, 1}}},
      {0, 0, 1, 5, {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}}},
      {3, 1, 0, 0, {{3, 1}, {2, 1}, {1, 1}, {0, 1}}},
      {0, 0, 0, -3, {{0, 0}, {0, -1}, {0, -2}, {0, -3}}},
      {5, 5, 5, 5, {{5, 5}}},
  };
  return walks;
}

}  // namespace testing_support
