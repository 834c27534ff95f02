// The one translation unit that compiles stb_image_write; third-party code,
// so built without the project's warnings. Memory output only: the stand-in
// writes files itself, whole or not at all.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include "stb_image_write.h"
