# Writes a C++ source holding every file named in LIST as an EmbeddedResource.
# Called at build time: cmake -DLIST=... -DSOURCE_DIR=... -DOUTPUT=... -P embed_resources.cmake
file(STRINGS "${LIST}" lines)
set(arrays "")
set(entries "")
set(index 0)
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(GET fields 0 type)
  list(GET fields 1 name)
  list(GET fields 2 file)
  set(path "${SOURCE_DIR}/${file}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "resource file missing: ${path}")
  endif()
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "static const unsigned char resource${index}[] = {\n${bytes}\n};\n")
  string(APPEND entries "  {\"${type}\", \"${name}\", resource${index}, ${size}u},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated from resources.list by embed_resources.cmake. Do not edit.\n"
  "#include \"resources/resource_table.h\"\n#include <cstring>\n\n${arrays}\n"
  "static const EmbeddedResource table[] = {\n${entries}};\n\n"
  "const EmbeddedResource* FindEmbeddedResource(const char* name, const char* type) {\n"
  "  if (!name || !type) return nullptr;\n"
  "  for (const EmbeddedResource& r : table)\n"
  "    if (std::strcmp(r.name, name) == 0 && std::strcmp(r.type, type) == 0) return &r;\n"
  "  return nullptr;\n}\n\n"
  "const EmbeddedResource* EmbeddedResources(int* count) {\n"
  "  if (count) *count = (int)(sizeof table / sizeof table[0]);\n  return table;\n}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
