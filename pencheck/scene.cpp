#include "scene.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "message_names.h"

namespace {

void put32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// A 40-byte BITMAPINFOHEADER of an 8-bit bitmap.
void writeHeader(uint8_t* h, int32_t width, int32_t height) {
  std::memset(h, 0, 40);
  put32(h, 40);
  put32(h + 4, static_cast<uint32_t>(width));
  put32(h + 8, static_cast<uint32_t>(height));
  h[12] = 1;  // planes
  h[14] = 8;  // bits per pixel
}

int64_t strideOf(int32_t width) { return (int64_t{width} + 3) & ~int64_t{3}; }

}  // namespace

std::string SceneSetup::describe() const {
  char text[320];
  std::snprintf(text, sizeof text, "a %d x %d canvas, a %d x %d brush, mask %s, box %s, tone %d",
                canvasWidth, canvasHeight, brushWidth, brushHeight, maskOn ? "on" : "off",
                boxItem.empty() ? "with no selection" : ("'" + boxItem + "'").c_str(),
                static_cast<int>(tone));
  std::string out = text;
  if (primary > 255 || secondary > 255) {
    std::snprintf(text, sizeof text, ", colours 0x%X and 0x%X", static_cast<unsigned>(primary),
                  static_cast<unsigned>(secondary));
    out += text;
  }
  return out;
}

SceneSetup randomScene(Rng& rng) {
  SceneSetup s;
  s.canvasWidth = rng.chance(15) ? rng.between(1, 4) : rng.between(1, 70);
  s.canvasHeight = rng.chance(15) ? rng.between(1, 3) : rng.between(1, 48);
  s.brushWidth = rng.between(1, 9);
  s.brushHeight = rng.between(1, 9);
  s.brush.assign(static_cast<std::size_t>(s.brushWidth * s.brushHeight), 0);
  for (uint8_t& b : s.brush) b = rng.chance(35) ? static_cast<uint8_t>(rng.between(1, 255)) : 0;
  s.maskOn = rng.chance(40);
  static const char* const items[] = {"1x1 pixel", "3x2 pixels", "4x2 pixels", "16x16 pixels",
                                      "5x3 wide",  "2X7 ",       "",           "3x2"};
  s.boxItem = rng.pick(items);
  s.tone = rng.between(0, 16);
  s.primary = static_cast<uint32_t>(rng.between(0, 255));
  s.secondary = static_cast<uint32_t>(rng.between(0, 255));
  return s;
}

std::vector<SceneSetup> scenesFor(CheckContext& c) {
  SceneSetup first;
  first.brush = {0, 0, 0, 0, 7, 0, 0, 0, 0};  // a ring: ink round a hole
  first.maskOn = true;
  std::vector<SceneSetup> scenes = {first};
  const int s = c.strictness();
  const int count = s <= 4 ? 1 : s <= 7 ? s - 2 : s <= 9 ? 2 * s - 9 : 12;
  while (static_cast<int>(scenes.size()) < count) scenes.push_back(randomScene(c.rng));
  return scenes;
}

std::vector<SceneSetup> unusualScenes() {
  SceneSetup high;
  high.brush = {0, 0, 0, 0, 7, 0, 0, 0, 0};
  high.maskOn = true;
  high.tone = 17;
  high.primary = 0x1FF;
  high.secondary = 0xFFFFFF0Bu;
  high.unusual = true;
  SceneSetup low;
  low.brushWidth = low.brushHeight = 5;
  low.brush.assign(25, 0);
  low.boxItem = "16x16 pixels";
  low.tone = -3;
  low.primary = 0x100;
  low.secondary = 0x80000000u;
  low.unusual = true;
  return {high, low};
}

Stage::Stage(const SceneSetup& setup, const Layout& layout) : setup_(setup) {
  stride_ = strideOf(setup.canvasWidth);
  brushStride_ = strideOf(setup.brushWidth);
  const auto canvasSize = static_cast<std::size_t>(stride_ * setup.canvasHeight);
  const auto brushSize = static_cast<std::size_t>(brushStride_ * setup.brushHeight);
  const bool start = layout.atStart;
  canvasHeader_ = Block(layout.readOnly, 40, "the canvas header", 0, start);
  canvasBits_ = Block(layout.canvas, canvasSize, "the canvas", 0, start);
  maskBits_ = Block(layout.readOnly, canvasSize, "the mask", 1, start);
  pickBits_ = Block(layout.readOnly, canvasSize, "the pick source", 0, start);
  brushHeader_ = Block(layout.readOnly, 40, "the brush header", 0, start);
  brushBits_ = Block(layout.readOnly, brushSize, "the brush", 0xFF, start);
  record_ = Block(layout.record, sizeof(PenContext), "the PenContext record", 0, start);
  ok_ = canvasHeader_.ok() && canvasBits_.ok() && maskBits_.ok() && pickBits_.ok() &&
        brushHeader_.ok() && brushBits_.ok() && record_.ok();
  if (!ok_) return;
  const int32_t w = setup.canvasWidth, h = setup.canvasHeight;
  for (Block* b : {&canvasBits_, &maskBits_, &pickBits_}) b->setGeometry(w, h, stride_);
  brushBits_.setGeometry(setup.brushWidth, setup.brushHeight, brushStride_);

  writeHeader(canvasHeader_.data(), w, h);
  writeHeader(brushHeader_.data(), setup.brushWidth, setup.brushHeight);
  // Padding holds a marker of its own; the pixels an index pattern.
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = canvasBits_.data() + (h - 1 - y) * stride_;
    uint8_t* mask = maskBits_.data() + (h - 1 - y) * stride_;
    uint8_t* pick = pickBits_.data() + (h - 1 - y) * stride_;
    for (int64_t x = 0; x < stride_; ++x) {
      const bool inside = x < w;
      row[x] = inside ? static_cast<uint8_t>((x * 3 + y * 5) % 7 + 100) : 0xEE;
      pick[x] = inside ? static_cast<uint8_t>(x * 7 + y * 13) : 0xEE;
      // The mask forbids a diagonal band and a corner block.
      mask[x] =
          inside ? static_cast<uint8_t>(((x + y) % 9 == 0 || (x < 3 && y < 2)) ? 0 : 1) : 0xEE;
    }
  }
  for (int32_t y = 0; y < setup.brushHeight; ++y)
    for (int32_t x = 0; x < setup.brushWidth; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * setup.brushWidth + x);
      brushBits_.data()[(setup.brushHeight - 1 - y) * brushStride_ + x] =
          i < setup.brush.size() ? setup.brush[i] : 0;
    }
  PenContext* r = ctx();
  std::memset(r, 0, sizeof *r);
  r->hostField0 = kHostField0;
  r->hostField40 = kHostField40;
  r->hostField44 = kHostField44;
  pointAtBuffers();
  for (Block* b : {&canvasHeader_, &maskBits_, &pickBits_, &brushHeader_, &brushBits_}) b->seal();
}

void Stage::pointAtBuffers() const {
  PenContext* r = ctx();
  r->canvasHeader = canvasHeader_.data();
  r->canvasBits = canvasBits_.data();
  r->maskBits = maskBits_.data();
  r->pickBits = pickBits_.data();
  r->brushHeader = brushHeader_.data();
  r->brushBits = brushBits_.data();
}

void Stage::takeOver(const Stage& other) {
  std::memcpy(canvas(), other.canvas(), std::min(canvasBytes(), other.canvasBytes()));
  *ctx() = *other.ctx();
  pointAtBuffers();
}

void Stage::retire(const std::string& call) {
  for (Block* b :
       {&canvasHeader_, &canvasBits_, &maskBits_, &pickBits_, &brushHeader_, &brushBits_, &record_})
    b->retire(call);
}

void prepareRecord(const Stage& stage, const Step& step) {
  PenContext* r = stage.ctx();
  const SceneSetup& s = stage.setup();
  r->cursorX = step.x;
  r->cursorY = step.y;
  r->toneLevel = s.tone;
  r->primaryColour = s.primary;
  r->secondaryColour = s.secondary;
  r->stateFlags &= ~(PCF_DRAWN | PCF_COLOUR);
  if (s.maskOn)
    r->stateFlags |= PCF_MASK;
  else
    r->stateFlags &= ~PCF_MASK;
}

std::vector<Step> standardScript(const SceneSetup& setup, Rng& rng, int strictness) {
  const int32_t w = setup.canvasWidth, h = setup.canvasHeight;
  std::vector<Step> s = {
      {"focus", WM_SETFOCUS, 0, 0, 0},
      {"move", WM_MOUSEMOVE, 0, w / 2, h / 2},
      {"lpress", WM_LBUTTONDOWN, MK_LBUTTON, 1, 1},
      {"drag", WM_MOUSEMOVE, MK_LBUTTON, w / 2, h / 3},
      {"drag", WM_MOUSEMOVE, MK_LBUTTON, w - 1, h - 1},
      {"drag", WM_MOUSEMOVE, MK_LBUTTON, w + 3, h / 2},
      {"drag", WM_MOUSEMOVE, MK_LBUTTON, -2, -3},
      {"drag", WM_MOUSEMOVE, MK_LBUTTON, w / 3, h / 2},
      {"lrelease", WM_LBUTTONUP, 0, w / 3, h / 2},
      {"move", WM_MOUSEMOVE, 0, 2, 2},
      {"move", WM_MOUSEMOVE, 0, -1, -1},
      {"rpress-in", WM_RBUTTONDOWN, MK_RBUTTON, 0, 0},
      {"rrelease", WM_RBUTTONUP, 0, 0, 0},
      {"rpress-in", WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, w - 1, h - 1},
      {"rpress-out", WM_RBUTTONDOWN, MK_RBUTTON, -1, 0},
      {"rpress-out", WM_RBUTTONDOWN, MK_RBUTTON, w, 0},
      {"rpress-out", WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, 0, -1},
      {"rpress-out", WM_RBUTTONDOWN, MK_RBUTTON, 0, h},
      {"rpress-out", WM_RBUTTONDOWN, MK_RBUTTON, -7, -9},
      {"rpress-out", WM_RBUTTONDOWN, MK_RBUTTON, w + 100, h + 100},
      {"rrelease", WM_RBUTTONUP, 0, w + 100, h + 100},
      {"key", WM_KEYDOWN, VK_SHIFT, w / 2, h / 2},
      {"key", WM_KEYUP, VK_SHIFT, w / 2, h / 2},
      {"key", WM_KEYDOWN, 'A', w / 2, h / 2},
      {"key", WM_CHAR, 'a', w / 2, h / 2},
      {"key", WM_KEYUP, 'A', w / 2, h / 2},
      {"user", WM_USER + 1, 0, 0, 0},
      {"user", WM_USER + 2, 0, 0, 0},
      {"user", WM_USER + 4, 0, 0, 0},
      {"user", WM_USER + 9, 0, 0, 0},
      {"user", WM_USER + 10, 0, 0, 0},
      {"unknown", WM_USER + 3, 0, 0, 0},
      {"unknown", 0x7FFF, 0, 0, 0},
      {"unknown", 0xC0DE, MK_LBUTTON, 0, 0},
      {"lpress", WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, w - 2, 1},
      {"drag", WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, w / 2, h - 2},
      {"drag", WM_MOUSEMOVE, MK_LBUTTON, w / 2, h - 2},
      {"lrelease", WM_LBUTTONUP, MK_SHIFT, w / 2, h - 2},
      {"focus", WM_KILLFOCUS, 0, 0, 0},
  };
  const std::vector<Step> extra = randomSteps(setup, rng, 4 * strictness);
  s.insert(s.end(), extra.begin(), extra.end());
  return s;
}

std::vector<Step> scriptFor(const SceneSetup& setup, Rng& rng, int strictness) {
  std::vector<Step> s = standardScript(setup, rng, strictness);
  if (!setup.unusual) return s;
  const int32_t w = setup.canvasWidth, h = setup.canvasHeight, away = 1 << 20;
  const std::vector<Step> distant = {
      {"lpress", WM_LBUTTONDOWN, MK_LBUTTON, away, 5},
      {"drag", WM_MOUSEMOVE, MK_LBUTTON, -away, -away},
      {"drag", WM_MOUSEMOVE, MK_LBUTTON, w / 2, h / 2},
      {"drag", WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, w / 2, INT32_MAX - 1},
      {"lrelease", WM_LBUTTONUP, 0, w / 2, h / 2},
      {"move", WM_MOUSEMOVE, 0, INT32_MIN + 1, INT32_MIN + 1},
      {"rpress-out", WM_RBUTTONDOWN, MK_RBUTTON, away, away},
      {"rpress-out", WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, -away, 0},
      {"lpress", WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, -1000, h / 2},
      {"drag", WM_MOUSEMOVE, MK_LBUTTON, w + 1000, h / 2},
      {"lrelease", WM_LBUTTONUP, 0, w + 1000, h / 2}};
  s.insert(s.end(), distant.begin(), distant.end());
  return s;
}

Step randomStep(const SceneSetup& setup, Rng& rng) {
  const int32_t w = setup.canvasWidth, h = setup.canvasHeight;
  const int32_t x = rng.chance(80) ? rng.between(0, w - 1) : rng.between(-20, w + 20);
  const int32_t y = rng.chance(80) ? rng.between(0, h - 1) : rng.between(-20, h + 20);
  const uint32_t shift = rng.chance(30) ? MK_SHIFT : 0;
  const bool inside = x >= 0 && y >= 0 && x < w && y < h;
  switch (rng.between(0, 9)) {
    case 0:
      return {"lpress", WM_LBUTTONDOWN, MK_LBUTTON | shift, x, y};
    case 1:
    case 2:
    case 3:
      return {"drag", WM_MOUSEMOVE, MK_LBUTTON | shift, x, y};
    case 4:
      return {"move", WM_MOUSEMOVE, shift, x, y};
    case 5:
      return {"lrelease", WM_LBUTTONUP, shift, x, y};
    case 6:
      return {inside ? "rpress-in" : "rpress-out", WM_RBUTTONDOWN, MK_RBUTTON | shift, x, y};
    case 7:
      return {"rrelease", WM_RBUTTONUP, shift, x, y};
    case 8:
      return {"key", static_cast<uint32_t>(rng.chance(50) ? WM_KEYDOWN : WM_KEYUP), VK_SHIFT, x, y};
    default:
      return {"user", WM_USER + rng.pick({1u, 2u, 4u, 9u, 10u}), 0, x, y};
  }
}

std::vector<Step> randomSteps(const SceneSetup& setup, Rng& rng, int count) {
  std::vector<Step> steps;
  for (int i = 0; i < count; ++i) steps.push_back(randomStep(setup, rng));
  return steps;
}

std::string describeStepShort(const Step& step) {
  char text[160];
  const bool key =
      step.message == WM_KEYDOWN || step.message == WM_KEYUP || step.message == WM_CHAR;
  const bool mouse = step.message >= WM_MOUSEMOVE && step.message <= WM_RBUTTONUP;
  if (key)
    std::snprintf(text, sizeof text, "%s (key 0x%02X)", messageName(step.message).c_str(),
                  static_cast<unsigned>(step.keyFlags));
  else if (!mouse)
    std::snprintf(text, sizeof text, "%s (wParam 0x%X)", messageName(step.message).c_str(),
                  static_cast<unsigned>(step.keyFlags));
  else
    std::snprintf(text, sizeof text, "%s (%s) at (%d, %d)", messageName(step.message).c_str(),
                  keyFlagsText(step.keyFlags).c_str(), static_cast<int>(step.x),
                  static_cast<int>(step.y));
  return text;
}

std::string describeStep(const Step& step, const SceneSetup& setup) {
  return describeStepShort(step) + " on " + setup.describe();
}
