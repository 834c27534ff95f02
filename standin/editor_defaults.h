// editor_defaults.h - the state every document of the stand-in starts in and
// the limits that keep its pictures and memory of a sensible size: one place
// for both programs, the script checker and the tests.
#pragma once

#include <cstddef>
#include <cstdint>

// The block-size box. Scripts start with the batch items and the first of
// them selected; the interactive stand-in offers a few more.
constexpr char kDefaultBlockItem[] = "3x2 pixels";
constexpr const char* kBatchBlockItems[] = {"1x1 pixel", "3x2 pixels", "4x2 pixels",
                                            "16x16 pixels"};
constexpr const char* kGuiBlockItems[] = {"1x1 pixel",  "2x2 pixels", "3x2 pixels",  "4x2 pixels",
                                          "4x4 pixels", "8x8 pixels", "16x16 pixels"};

constexpr uint32_t kDefaultPrimary = 15;   // white in the default palette
constexpr uint32_t kDefaultSecondary = 0;  // black
constexpr int32_t kDefaultTone = 0;
constexpr int32_t kDefaultBrushSide = 1;  // a 1 x 1 ink brush

constexpr int32_t kMaxCanvasSide = 4096;
constexpr int32_t kMaxBrushSide = 256;
constexpr int32_t kMaxTone = 16;
constexpr int32_t kMaxColourIndex = 255;

// What the undo history may hold at once: the pixels that strokes changed
// and whole documents that New and Open replaced. When a step would pass it,
// the oldest steps are forgotten.
constexpr std::size_t kMaxUndoBytes = std::size_t{256} << 20;
