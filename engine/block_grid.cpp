// The block parameters and the grid made from them.
#include "block_grid.h"

#include "block_engine.h"

int32_t blockWidth = 3;
int32_t blockHeight = 2;
int32_t strokeTone = 0;

namespace {

BlockGrid lastGrid = {0, 0, 0, {0, 0}, {0, 0}};  // width 0: none made yet
int32_t lastWidth, lastHeight;

}  // namespace

const BlockGrid& currentBlockGrid() {
  if (lastGrid.width == 0 || blockWidth != lastWidth || blockHeight != lastHeight) {
    lastWidth = blockWidth;
    lastHeight = blockHeight;
    lastGrid.width = blockWidth < 1 ? 1 : blockWidth;
    lastGrid.height = blockHeight < 1 ? 1 : blockHeight;
    lastGrid.column = makeBlockDivider(lastGrid.width);
    lastGrid.row = makeBlockDivider(lastGrid.height);
  }
  lastGrid.tone = strokeTone < 0 ? 0 : strokeTone > 16 ? 16 : strokeTone;
  return lastGrid;
}
