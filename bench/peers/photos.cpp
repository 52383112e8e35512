#include "photos.h"

#include <cstdio>

#include "io/image_file.h"

namespace peers {

const char* photoFolder() { return "/usr/lib/python3/dist-packages/skimage/data"; }

std::vector<std::string> lineTestPhotos() {
  return {"astronaut", "brick",  "camera", "cell", "chelsea", "coffee",          "coins",
          "grass",     "gravel", "ihc",    "moon", "page",    "motorcycle_left", "text"};
}

std::vector<vsPhoto> loadPhotos(const std::vector<std::string>& names) {
  std::vector<vsPhoto> photos;
  for (const std::string& name : names) {
    try {
      photos.push_back({name, vfReadImage(std::string(photoFolder()) + "/" + name + ".png")});
    } catch (const vcImageFileError& e) {
      std::printf("skipped photograph %s: %s\n", name.c_str(), e.what());
    }
  }
  return photos;
}

}  // namespace peers
