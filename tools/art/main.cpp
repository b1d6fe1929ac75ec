// zorrit-art: makes the game's bitmaps from the pixel-art sources in
// resources/art, and a contact sheet to look at them.
//
//   zorrit-art --write <outdir> [--art <source dir>]
//       writes zorrit.bmp, escape.bmp, character_sheet.bmp, icon.bmp and
//       text_font.bmp into outdir (the committed ones live in resources/bitmaps)
//   zorrit-art --contact-sheet <file.png> [--art <source dir>]
//       writes every bitmap at 4x with the sprite sheet's regions numbered,
//       and the title and play screens put together from the sheet
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/art/art_catalog.h"
#include "tools/art/bmp_encode.h"
#include "tools/art/contact_sheet.h"

static int WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
  const int closed = std::fclose(file) == 0;
  return written == bytes.size() && closed;
}

static int WriteBitmaps(const ArtImage* images, const std::string& outDir) {
  for (int i = 0; i < ART_BITMAP_COUNT; i++) {
    std::vector<uint8_t> bytes;
    const std::string path = outDir + "/" + ART_BITMAPS[i].file;
    if (!EncodeBmp(images[i], &bytes) || !WriteFile(path, bytes)) {
      std::fprintf(stderr, "zorrit-art: cannot write %s\n", path.c_str());
      return 0;
    }
    std::printf("%-20s %3d x %3d, %d bits, %2zu colours, %5zu bytes\n", ART_BITMAPS[i].file, images[i].width,
                images[i].height, images[i].bitsPerDot, images[i].palette.size(), bytes.size());
  }
  return 1;
}

int main(int argc, char** argv) {
  std::string outDir, sheetPath, artDir = ZORRIT_ART_SOURCES;
  int understood = argc > 1;
  for (int i = 1; i < argc && understood; i++) {
    if (!std::strcmp(argv[i], "--write") && i + 1 < argc) outDir = argv[++i];
    else if (!std::strcmp(argv[i], "--contact-sheet") && i + 1 < argc) sheetPath = argv[++i];
    else if (!std::strcmp(argv[i], "--art") && i + 1 < argc) artDir = argv[++i];
    else understood = 0;
  }
  if (!understood || (outDir.empty() && sheetPath.empty())) {
    std::fprintf(stderr,
                 "usage: zorrit-art --write <outdir> [--art <source dir>]\n"
                 "       zorrit-art --contact-sheet <file.png> [--art <source dir>]\n");
    return 2;
  }
  ArtImage images[ART_BITMAP_COUNT];
  std::string error;
  if (!LoadArtBitmaps(artDir, images, &error)) {
    std::fprintf(stderr, "zorrit-art: %s\n", error.c_str());
    return 1;
  }
  if (!outDir.empty() && !WriteBitmaps(images, outDir)) return 1;
  if (!sheetPath.empty() && !WriteContactSheet(images, sheetPath, &error)) {
    std::fprintf(stderr, "zorrit-art: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
