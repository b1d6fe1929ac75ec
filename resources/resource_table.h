// The resources carried inside the executable: the stand-in for the resource
// section and its calls (find, size, load, lock).
//
// The build generates the table from resources/resources.list: every file
// there becomes a {type, name, bytes} entry. Entries live as long as the
// program and are never freed or changed.
//
// Types: "WAVE" (RIFF WAVE sounds), "BITMAP" (BMP sprite sheets), "ICON"
// (the window icon, a BMP), "FONT" (the text font, a BMP of glyph cells).
#pragma once
#include <cstdint>

struct EmbeddedResource {
  const char* type;
  const char* name;
  const unsigned char* bytes;
  uint32_t size;
};

// The resource of that name and type (both compared exactly), or null.
const EmbeddedResource* FindEmbeddedResource(const char* name, const char* type);

// The whole table, for tools and tests; count via the out parameter.
const EmbeddedResource* EmbeddedResources(int* count);
