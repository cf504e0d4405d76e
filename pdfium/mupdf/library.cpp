// FPDF_InitLibrary: the one base MuPDF context of the process.
#include <mupdf/fitz.h>

#include <atomic>
#include <mutex>

#include "pdfium/mupdf/mupdf_objects.h"

namespace zel::pdfium {
namespace {

// MuPDF asks for FZ_LOCK_MAX plain mutexes and never takes them recursively.
std::mutex g_mupdf_locks[FZ_LOCK_MAX];

void LockMupdf(void*, int lock) { g_mupdf_locks[lock].lock(); }
void UnlockMupdf(void*, int lock) { g_mupdf_locks[lock].unlock(); }

// MuPDF prints every error and warning to stderr; the host reports failures itself.
void IgnoreMessage(void*, const char*) {}

std::atomic<fz_context*> g_base_context{nullptr};
std::once_flag g_init_once;

}  // namespace

fz_context* BaseContext() { return g_base_context.load(std::memory_order_acquire); }

}  // namespace zel::pdfium

extern "C" void FPDF_InitLibrary(void) {
  using namespace zel::pdfium;
  std::call_once(g_init_once, [] {
    static const fz_locks_context locks = {nullptr, LockMupdf, UnlockMupdf};
    // The context lives until the process ends: the library is never shut down.
    fz_context* ctx = fz_new_context(nullptr, &locks, FZ_STORE_DEFAULT);
    if (ctx == nullptr) return;
    fz_set_error_callback(ctx, IgnoreMessage, nullptr);
    fz_set_warning_callback(ctx, IgnoreMessage, nullptr);
    g_base_context.store(ctx, std::memory_order_release);
  });
}
