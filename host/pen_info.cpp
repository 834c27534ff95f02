#include "pen_info.h"

#include "pen_identity.h"
#include "pen_version.h"

namespace {

// Two arrays, so that name and altName are two addresses.
const char kName[] = TESSALY_PEN_NAME;
const char kAltName[] = TESSALY_PEN_NAME;
const char kDescription[] = TESSALY_PEN_DESCRIPTION;
const char kCopyright[] = TESSALY_PEN_COPYRIGHT;
const char kVersion[] = TESSALY_VERSION;

}  // namespace

int32_t ZVGetInfo(PenInfo* info) {
  info->infoWord = kPenInfoWord;
  info->name = kName;
  info->description = kDescription;
  info->copyright = kCopyright;
  info->version = kVersion;
  info->altName = kAltName;
  return 1;
}
