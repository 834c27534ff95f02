// recorder.h - what a person does in the interactive stand-in, kept as a
// stroke script that standin.exe replays to the same canvas, byte for byte:
// the bug report a user attaches.
//
// The recorder sees the editor's inputs to the pen (block-size item, tone,
// colours, brush, mask switch) just before each message and writes a command
// only for what changed since the script last said it, starting from the
// state every script starts in. Files the user opened (a canvas, a palette)
// are kept as bytes and written beside the recording, so that it replays
// without the originals. No platform calls: files.h writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor_defaults.h"

// The editor's inputs to the pen at a message.
struct PenInputs {
  bool blocksSelected = true;
  std::string blocks = kDefaultBlockItem;  // the selected item, when there is one
  int32_t tone = kDefaultTone;
  uint32_t primary = kDefaultPrimary, secondary = kDefaultSecondary;
  bool roundBrush = false;
  int32_t brushSide = kDefaultBrushSide;
  bool maskOn = false;

  bool operator==(const PenInputs& o) const;
};

class Recorder {
 public:
  // A new canvas, or one loaded from an 8-bit BMP's bytes (its palette too).
  // Either clears the mask and turns it off, as the script's canvas does.
  void canvas(int32_t width, int32_t height, uint8_t fill);
  void canvasLoad(const std::vector<uint8_t>& bmpBytes);
  // A JASC-PAL file's bytes, or the built-in palette.
  void palette(const std::vector<uint8_t>& palBytes);
  void defaultPalette();

  // Called before each message with the inputs the pen is about to meet.
  void inputs(const PenInputs& now);
  // The mask rebuilt to protect a colour before a press.
  void maskClear();
  void maskColour(uint8_t index);

  void press(int32_t x, int32_t y, bool shift);
  void drag(int32_t x, int32_t y, bool shift);
  // Moves without a button only set where the next drag starts, so only the
  // last of a run of them is written.
  void move(int32_t x, int32_t y);
  void release(int32_t x, int32_t y);
  void pick(int32_t x, int32_t y, bool shift);
  // A pick changed the colours: the replay takes them back from the pen as
  // the editor did, so the script need not say them.
  void pickedColours(uint32_t primary, uint32_t secondary);
  void undo();
  void redo();

  // The script, for a recording at `path` (NAME.strokes): ends with
  // `save NAME.bmp`; attached files are named NAME-1.bmp, NAME-2.pal, ...
  // in the order they were opened, or as `names` says. Names are bare: the
  // script replays from its own folder.
  std::string script(const std::string& path, const std::vector<std::string>& names = {});
  // Writes the script, its attachments and the canvas BMP (`canvasBmp`, the
  // editor's own picture of its canvas) beside it. An earlier recording of
  // the same name is replaced whole: its attachments that this one does not
  // rewrite are removed, and a file of an attachment's name that is not one
  // of them is left alone (the attachment takes the next free number). False
  // with `error` set when a file cannot be written or removed.
  bool write(const std::string& path, const std::vector<uint8_t>& canvasBmp, std::string& error);

  // The bare name the picture and the attachments are named after.
  static std::string baseName(const std::string& path);
  // The folder part of `path`, with its trailing separator, or "".
  static std::string folderOf(const std::string& path);

 private:
  struct Line {
    std::string text;     // for an attachment, the command before the file name
    int attachment = -1;  // index into attachments_
  };
  struct Attachment {
    std::string extension;
    std::vector<uint8_t> bytes;
  };
  void add(std::string text);
  void flushMove();
  // The attachments' names for a recording at `path`, and those of the
  // earlier recording there (read from its script).
  std::vector<std::string> attachmentNames(const std::string& path,
                                           const std::vector<std::string>& earlier) const;
  static std::vector<std::string> earlierAttachments(const std::string& path);

  std::vector<Line> lines_;
  std::vector<Attachment> attachments_;
  PenInputs said_;  // what the script has said so far
  bool moveWaiting_ = false;
  int32_t moveX_ = 0, moveY_ = 0;
};
