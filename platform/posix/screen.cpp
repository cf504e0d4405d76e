#include "platform/screen.h"

#include <atomic>

namespace zel::platform {
namespace {

constexpr int kDefaultDotsPerInch = 96;

std::atomic<int> g_dpi_x{0};
std::atomic<int> g_dpi_y{0};

int OrDefault(int dpi) { return dpi > 0 ? dpi : kDefaultDotsPerInch; }

}  // namespace

int ScreenDotsPerInchX() { return OrDefault(g_dpi_x.load(std::memory_order_relaxed)); }
int ScreenDotsPerInchY() { return OrDefault(g_dpi_y.load(std::memory_order_relaxed)); }

void SetScreenDotsPerInchForTesting(int dpiX, int dpiY) {
  g_dpi_x.store(dpiX, std::memory_order_relaxed);
  g_dpi_y.store(dpiY, std::memory_order_relaxed);
}

}  // namespace zel::platform
