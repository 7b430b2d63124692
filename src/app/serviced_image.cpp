#include "app/serviced_image.h"

#include <mutex>

namespace {
std::mutex g_lock;
ServicedImage g_image;
}  // namespace

void SetServicedImage(const ServicedImage& image) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_image = image;
}

ServicedImage CurrentServicedImage() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_image;
}
