#include "identity.h"

#include <cstring>

#include "guarded_memory.h"
#include "message_names.h"

Identity readIdentity(const Pen& pen, bool ordinary) {
  Identity id;
  Block block(Block::Kind::Slack, 3 * sizeof(PenInfo), "the PenInfo record", 0);
  auto* info = reinterpret_cast<PenInfo*>(block.data() + sizeof(PenInfo));
  std::memset(info, 0, sizeof *info);
  beginCall("getinfo", ordinary, "_ZVGetInfo");
  id.result = callGetInfo(pen, info).result;
  endCall();
  id.infoWord = info->infoWord;
  id.name = readPenString(info->name);
  id.description = readPenString(info->description);
  id.copyright = readPenString(info->copyright);
  id.version = readPenString(info->version);
  id.altName = readPenString(info->altName);
  return id;
}

bool Identity::sameAs(const Identity& o, bool comparePointers, std::string& difference) const {
  if (result != o.result) {
    difference = "the result was " + std::to_string(result) + ", then " + std::to_string(o.result);
    return false;
  }
  if (infoWord != o.infoWord) {
    difference = "infoWord was " + hex32(infoWord) + ", then " + hex32(o.infoWord);
    return false;
  }
  const struct {
    const char* field;
    const PenString *a, *b;
  } strings[] = {{"name", &name, &o.name},
                 {"description", &description, &o.description},
                 {"copyright", &copyright, &o.copyright},
                 {"version", &version, &o.version},
                 {"altName", &altName, &o.altName}};
  for (const auto& s : strings) {
    if (s.a->bytes != s.b->bytes) {
      difference = std::string(s.field) + " was \"" + cp932Text(s.a->bytes) + "\", then \"" +
                   cp932Text(s.b->bytes) + "\"";
      return false;
    }
    if (comparePointers && s.a->pointer != s.b->pointer) {
      difference = std::string(s.field) + " moved from " +
                   hex32(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(s.a->pointer))) +
                   " to another address";
      return false;
    }
  }
  return true;
}
