#include "tools/shots/picture.h"

#include <png.h>

int ReadPicture(const std::string& path, Picture* picture, std::string* error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    *error = path + ": " + image.message;
    return 0;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  const png_color black{0, 0, 0};
  if (!png_image_finish_read(&image, &black, rgb.data(), 0, nullptr)) {
    *error = path + ": " + image.message;
    png_image_free(&image);
    return 0;
  }
  picture->width = (int32_t)image.width;
  picture->height = (int32_t)image.height;
  picture->rgb = std::move(rgb);
  return 1;
}

int WritePicture(const std::string& path, const Picture& picture, std::string* error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = (png_uint_32)picture.width;
  image.height = (png_uint_32)picture.height;
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr)) {
    *error = path + ": " + image.message;
    return 0;
  }
  return 1;
}

Picture ScalePicture(const Picture& picture, int32_t factor) {
  Picture scaled;
  scaled.width = picture.width * factor;
  scaled.height = picture.height * factor;
  scaled.rgb.resize((size_t)scaled.width * scaled.height * 3);
  for (int32_t y = 0; y < scaled.height; ++y) {
    const uint8_t* row = &picture.rgb[(size_t)(y / factor) * picture.width * 3];
    uint8_t* out = &scaled.rgb[(size_t)y * scaled.width * 3];
    for (int32_t x = 0; x < scaled.width; ++x) {
      const uint8_t* dot = row + (size_t)(x / factor) * 3;
      out[x * 3 + 0] = dot[0];
      out[x * 3 + 1] = dot[1];
      out[x * 3 + 2] = dot[2];
    }
  }
  return scaled;
}

static uint32_t DotAt(const Picture& picture, size_t index) {
  const uint8_t* dot = &picture.rgb[index * 3];
  return (uint32_t)dot[0] << 16 | (uint32_t)dot[1] << 8 | dot[2];
}

PictureDifference ComparePictures(const Picture& expected, const Picture& actual) {
  PictureDifference result{};
  result.firstX = result.firstY = -1;
  result.sameSize = expected.width == actual.width && expected.height == actual.height;
  if (!result.sameSize) return result;
  const size_t dots = (size_t)expected.width * expected.height;
  for (size_t i = 0; i < dots; ++i) {
    const uint32_t want = DotAt(expected, i);
    const uint32_t got = DotAt(actual, i);
    if (want == got) continue;
    if (result.differentDots++ == 0) {
      result.firstX = (int32_t)(i % (size_t)expected.width);
      result.firstY = (int32_t)(i / (size_t)expected.width);
      result.expectedRgb = want;
      result.actualRgb = got;
    }
  }
  return result;
}
