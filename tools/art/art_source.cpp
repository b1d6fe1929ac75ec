#include "tools/art/art_source.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

const int MAX_INCLUDE_DEPTH = 8;
const int32_t MAX_SIDE = 4096;

// Where `char`/`code` blocks land: a grid of equal cells, code firstCode at
// the top-left, `columns` cells to a row; blocks start (offsetX, offsetY)
// inside their cell.
struct CellGrid {
  int32_t width = 0, height = 0, columns = 0, firstCode = 0;
  int32_t offsetX = 0, offsetY = 0;
};

struct ParseState {
  ArtImage* image;
  int indexOfChar[256];
  CellGrid cells;
  int shadowIndex = -1;
  int32_t shadowDx = 0, shadowDy = 0;
};

int Fail(std::string* error, const std::string& path, size_t line, const std::string& why) {
  *error = path + ":" + std::to_string(line) + ": " + why;
  return 0;
}

std::string TrimEnd(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.pop_back();
  return text;
}

int ReadLines(const std::string& path, std::vector<std::string>* lines) {
  std::ifstream in(path);
  if (!in) return 0;
  std::string line;
  while (std::getline(in, line)) lines->push_back(TrimEnd(line));
  return 1;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

int ReadNumbers(std::istringstream& words, int32_t* values, int count) {
  for (int i = 0; i < count; i++)
    if (!(words >> values[i])) return 0;
  return 1;
}

// Draws the grid rows that follow lines[*at] into the box (left, top) -
// (limitRight, limitBottom); the block ends at a blank line. *at is left on
// the last row read.
int DrawBlock(const std::vector<std::string>& lines, size_t* at, int32_t left, int32_t top,
              int32_t limitRight, int32_t limitBottom, ParseState* state,
              const std::string& path, std::string* error) {
  ArtImage* image = state->image;
  int32_t y = top;
  while (*at + 1 < lines.size() && !lines[*at + 1].empty()) {
    ++*at;
    const std::string& row = lines[*at];
    for (size_t i = 0; i < row.size(); i++) {
      unsigned char c = (unsigned char)row[i];
      if (c == ' ') continue;  // leaves the dot as it is
      int32_t x = left + (int32_t)i;
      if (x >= limitRight || y >= limitBottom || x < 0 || y < 0)
        return Fail(error, path, *at + 1, "dot outside its box at column " + std::to_string(i + 1));
      if (state->indexOfChar[c] < 0)
        return Fail(error, path, *at + 1, std::string("no colour for '") + (char)c + "'");
      image->dots[(size_t)y * image->width + x] = (uint8_t)state->indexOfChar[c];
    }
    y++;
  }
  return 1;
}

int ParseFile(const std::string& path, ParseState* state, int depth, std::string* error) {
  std::vector<std::string> lines;
  if (!ReadLines(path, &lines)) return Fail(error, path, 0, "cannot read");
  ArtImage* image = state->image;
  for (size_t at = 0; at < lines.size(); at++) {
    const std::string& line = lines[at];
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string keyword;
    words >> keyword;
    const size_t lineNumber = at + 1;

    if (keyword == "bitmap") {
      int32_t v[3];
      if (image->width) return Fail(error, path, lineNumber, "second bitmap line");
      if (!ReadNumbers(words, v, 3) || v[0] < 1 || v[1] < 1 || v[0] > MAX_SIDE || v[1] > MAX_SIDE ||
          (v[2] != 4 && v[2] != 8))
        return Fail(error, path, lineNumber, "expected: bitmap WIDTH HEIGHT 4|8");
      image->width = v[0];
      image->height = v[1];
      image->bitsPerDot = v[2];
      image->dots.assign((size_t)v[0] * v[1], 0);
    } else if (keyword == "colour") {
      std::string name;
      int32_t v[3];
      if (!image->width) return Fail(error, path, lineNumber, "colour before the bitmap line");
      if (!(words >> name) || name.size() != 1 || !ReadNumbers(words, v, 3))
        return Fail(error, path, lineNumber, "expected: colour CHAR RED GREEN BLUE");
      for (int32_t component : v)
        if (component < 0 || component > 255) return Fail(error, path, lineNumber, "component beyond 0-255");
      unsigned char c = (unsigned char)name[0];
      if (state->indexOfChar[c] >= 0) return Fail(error, path, lineNumber, "colour character used twice");
      const bool black = v[0] == 0 && v[1] == 0 && v[2] == 0;
      if (image->palette.empty() != black)
        return Fail(error, path, lineNumber, "black must be the first colour and the only black one");
      if ((int32_t)image->palette.size() >= (1 << image->bitsPerDot))
        return Fail(error, path, lineNumber, "more colours than the dot size holds");
      state->indexOfChar[c] = (int)image->palette.size();
      image->palette.push_back({(uint8_t)v[0], (uint8_t)v[1], (uint8_t)v[2]});
    } else if (keyword == "include") {
      std::string name;
      if (!(words >> name)) return Fail(error, path, lineNumber, "expected: include FILE");
      if (depth >= MAX_INCLUDE_DEPTH) return Fail(error, path, lineNumber, "includes nested too deep");
      if (!ParseFile(FolderOf(path) + "/" + name, state, depth + 1, error)) return 0;
    } else if (keyword == "cells") {
      int32_t v[6] = {0, 0, 0, 0, 0, 0};
      if (!ReadNumbers(words, v, 4) || v[0] < 1 || v[1] < 1 || v[2] < 1)
        return Fail(error, path, lineNumber, "expected: cells WIDTH HEIGHT COLUMNS FIRSTCODE [DX DY]");
      ReadNumbers(words, v + 4, 2);
      state->cells = {v[0], v[1], v[2], v[3], v[4], v[5]};
    } else if (keyword == "shadow") {
      std::string name;
      int32_t v[2];
      if (!(words >> name) || name.size() != 1 || !ReadNumbers(words, v, 2))
        return Fail(error, path, lineNumber, "expected: shadow CHAR DX DY");
      state->shadowIndex = state->indexOfChar[(unsigned char)name[0]];
      if (state->shadowIndex <= 0) return Fail(error, path, lineNumber, "shadow needs a visible colour");
      state->shadowDx = v[0];
      state->shadowDy = v[1];
    } else if (keyword == "at") {
      int32_t v[2];
      if (!image->width) return Fail(error, path, lineNumber, "block before the bitmap line");
      if (!ReadNumbers(words, v, 2)) return Fail(error, path, lineNumber, "expected: at X Y");
      if (!DrawBlock(lines, &at, v[0], v[1], image->width, image->height, state, path, error)) return 0;
    } else if (keyword == "char" || keyword == "code") {
      std::string name;
      int32_t code = 0;
      const CellGrid& cells = state->cells;
      if (!image->width || !cells.width) return Fail(error, path, lineNumber, "glyph before the cells line");
      if (!(words >> name)) return Fail(error, path, lineNumber, "expected: char C or code N");
      if (keyword == "char") {
        if (name.size() != 1) return Fail(error, path, lineNumber, "char takes one character");
        code = (unsigned char)name[0];
      } else if (std::sscanf(name.c_str(), "%d", &code) != 1) {
        return Fail(error, path, lineNumber, "code takes a number");
      }
      if (code < cells.firstCode) return Fail(error, path, lineNumber, "code below the first cell");
      const int32_t cellLeft = (code - cells.firstCode) % cells.columns * cells.width;
      const int32_t cellTop = (code - cells.firstCode) / cells.columns * cells.height;
      if (!DrawBlock(lines, &at, cellLeft + cells.offsetX, cellTop + cells.offsetY, cellLeft + cells.width,
                     cellTop + cells.height, state, path, error))
        return 0;
    } else {
      return Fail(error, path, lineNumber, "unknown line '" + keyword + "'");
    }
  }
  return 1;
}

// Paints the shadow colour on transparent dots that lie (dx, dy) from a
// visible dot of the same cell (the whole bitmap when there are no cells).
void CastShadow(const ParseState& state) {
  ArtImage* image = state.image;
  const std::vector<uint8_t> before = image->dots;
  const int32_t cellWidth = state.cells.width ? state.cells.width : image->width;
  const int32_t cellHeight = state.cells.height ? state.cells.height : image->height;
  for (int32_t y = 0; y < image->height; y++) {
    for (int32_t x = 0; x < image->width; x++) {
      const int32_t fromX = x - state.shadowDx, fromY = y - state.shadowDy;
      if (before[(size_t)y * image->width + x] != 0) continue;
      if (fromX < 0 || fromY < 0 || fromX >= image->width || fromY >= image->height) continue;
      if (fromX / cellWidth != x / cellWidth || fromY / cellHeight != y / cellHeight) continue;
      const uint8_t from = before[(size_t)fromY * image->width + fromX];
      if (from != 0 && from != state.shadowIndex) image->dots[(size_t)y * image->width + x] = (uint8_t)state.shadowIndex;
    }
  }
}

}  // namespace

int LoadArtImage(const std::string& path, ArtImage* image, std::string* error) {
  *image = ArtImage();
  ParseState state;
  state.image = image;
  for (int& index : state.indexOfChar) index = -1;
  if (!ParseFile(path, &state, 0, error)) return 0;
  if (!image->width) return Fail(error, path, 0, "no bitmap line");
  if (image->palette.empty()) return Fail(error, path, 0, "no colours");
  if (state.shadowIndex > 0) CastShadow(state);
  return 1;
}

uint8_t ArtDot(const ArtImage& image, int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return 0;
  return image.dots[(size_t)y * image.width + x];
}
