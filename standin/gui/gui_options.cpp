#include "gui_options.h"

#include "text.h"

const char kGuiUsage[] =
    "usage: standin-gui [PEN.dll] [options]\n"
    "\n"
    "PEN.dll: the pen to draw with\n"
    "    (default: Tessaly.dll beside the program)\n"
    "--canvas W H: the canvas, 1 to 4096 pixels each way\n"
    "    (64 48)\n"
    "--zoom N: one of\n"
    "    1, 2, 3, 4, 6, 8, 12, 16, 24, 32 (8)\n"
    "--blocks TEXT: the block-size item to select\n"
    "    (3x2 pixels)\n"
    "--tone N: the tone level, 0 to 16 (0)\n"
    "--colours P S: two palette indices, each 0 to 255\n"
    "    (15 0)\n"
    "--brush square|round N: the brush, 1 to 256 pixels\n"
    "    (square 1)\n"
    "--record FILE.strokes: record the session into it\n"
    "--timing FILE: log how long each input took to\n"
    "    answer, painted (milliseconds)\n"
    "--help, -h, /?: show this and exit";

namespace {

// A whole number from `low` to `high`, written in decimal.
bool number(const std::string& text, int32_t low, int32_t high, int32_t& out) {
  if (text.empty() || text.size() > 11) return false;
  const std::size_t first = text[0] == '-' ? 1 : 0;
  if (first == text.size()) return false;
  int64_t v = 0;
  for (std::size_t i = first; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  if (first) v = -v;
  if (v < low || v > high) return false;
  out = static_cast<int32_t>(v);
  return true;
}

bool listedZoom(int32_t zoom) {
  for (int z : kZooms)
    if (z == zoom) return true;
  return false;
}

}  // namespace

bool parseGuiOptions(const std::vector<std::string>& args, GuiOptions& o, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    // The values after an option, or why they are missing or wrong.
    auto values = [&](std::size_t n, const char* takes) {
      if (i + n < args.size()) return true;
      error = a + " takes " + takes;
      return false;
    };
    auto wrong = [&](const std::string& value, const char* takes) {
      error = a + " takes " + takes + ", not " + quoted(value);
      return false;
    };
    int32_t v1 = 0, v2 = 0;
    if (a == "--help" || a == "-h" || a == "/?") {
      o.help = true;  // the rest goes unread: the usage is all that is shown
      return true;
    } else if (a == "--canvas") {
      static const char takes[] = "a width and a height, each 1 to 4096";
      if (!values(2, takes)) return false;
      if (!number(args[i + 1], 1, kMaxCanvasSide, v1)) return wrong(args[i + 1], takes);
      if (!number(args[i + 2], 1, kMaxCanvasSide, v2)) return wrong(args[i + 2], takes);
      o.width = v1, o.height = v2, i += 2;
    } else if (a == "--zoom") {
      static const char takes[] = "one of 1, 2, 3, 4, 6, 8, 12, 16, 24, 32";
      if (!values(1, takes)) return false;
      if (!number(args[i + 1], 1, 32, v1) || !listedZoom(v1)) return wrong(args[i + 1], takes);
      o.zoom = v1, i += 1;
    } else if (a == "--blocks") {
      static const char takes[] = "the text of a block-size item, such as '3x2 pixels'";
      if (!values(1, takes)) return false;
      if (args[i + 1].empty()) return wrong(args[i + 1], takes);
      o.blocks = args[i + 1], i += 1;
    } else if (a == "--tone") {
      static const char takes[] = "a tone level, 0 to 16";
      if (!values(1, takes)) return false;
      if (!number(args[i + 1], 0, kMaxTone, v1)) return wrong(args[i + 1], takes);
      o.tone = v1, i += 1;
    } else if (a == "--colours") {
      static const char takes[] = "two palette indices, each 0 to 255";
      if (!values(2, takes)) return false;
      if (!number(args[i + 1], 0, kMaxColourIndex, v1)) return wrong(args[i + 1], takes);
      if (!number(args[i + 2], 0, kMaxColourIndex, v2)) return wrong(args[i + 2], takes);
      o.primary = static_cast<uint32_t>(v1), o.secondary = static_cast<uint32_t>(v2), i += 2;
    } else if (a == "--brush") {
      static const char takes[] = "square or round and a size, 1 to 256";
      if (!values(2, takes)) return false;
      if (args[i + 1] != "square" && args[i + 1] != "round") return wrong(args[i + 1], takes);
      if (!number(args[i + 2], 1, kMaxBrushSide, v1)) return wrong(args[i + 2], takes);
      o.roundBrush = args[i + 1] == "round", o.brushSide = v1, i += 2;
    } else if (a == "--record") {
      static const char takes[] = "the name of a file, such as session.strokes";
      if (!values(1, takes)) return false;
      if (args[i + 1].empty()) return wrong(args[i + 1], takes);
      o.record = args[i + 1], i += 1;
    } else if (a == "--timing") {
      static const char takes[] = "the name of a file, such as timing.txt";
      if (!values(1, takes)) return false;
      if (args[i + 1].empty()) return wrong(args[i + 1], takes);
      o.timing = args[i + 1], i += 1;
    } else if (a.rfind("--", 0) == 0) {
      error = "there is no option " + quoted(a);
      return false;
    } else if (!o.pen.empty()) {
      error = "one pen at a time: " + quoted(o.pen) + " and " + quoted(a);
      return false;
    } else {
      o.pen = a;
    }
  }
  return true;
}
