#include "engine/peano_walk.h"

std::vector<int64_t> PeanoOrder(int32_t width, int32_t height) {
    std::vector<int64_t> order(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                               -1);
    int64_t step = 0;
    PeanoWalk(width, height, [&](int32_t x, int32_t y) {
        order[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
              static_cast<std::size_t>(x)] = step++;
        return true;
    });
    return order;
}
