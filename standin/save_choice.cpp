#include "save_choice.h"

#include "file_names.h"
#include "picture_files.h"
#include "text.h"

namespace {

constexpr int kPngScales[] = {1, 2, 4, 8};  // by filter index from kSaveAsPng on

std::string bareName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

SaveChoice chooseSave(const std::string& path, int filterIndex, int32_t width, int32_t height) {
  SaveChoice c;
  c.path = path;
  const bool pngType = filterIndex >= kSaveAsPng && filterIndex <= kSaveAsTypes;
  if (hasExtension(path, ".png")) {
    c.png = true;
  } else if (!hasExtension(path, ".bmp")) {
    c.png = pngType;
    c.path += c.png ? ".png" : ".bmp";
  }
  // A PNG named so, with the BMP type chosen, is written at 1x.
  if (c.png && pngType) c.scale = kPngScales[filterIndex - kSaveAsPng];
  const std::string name = bareName(c.path);
  const std::string problem = fileNameProblem(name);
  if (!problem.empty()) {
    c.problem = "the name " + quoted(name) + " " + problem + ".";
  } else if (c.png && int64_t{width} * height * c.scale * c.scale > kMaxColourPixels) {
    c.problem = "the canvas is too large for a PNG " + std::to_string(c.scale) +
                " times enlarged: at most " + std::to_string(kMaxColourPixels) +
                " pixels can be written. Export it less enlarged, or at 1x.";
  }
  return c;
}
