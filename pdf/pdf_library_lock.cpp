#include "pdf/pdf_library_lock.h"

namespace zel {
namespace {

// Constant-initialised, so it exists before any static constructor could render a page.
std::mutex g_pdf_library_lock;

}  // namespace

std::mutex& PdfLibraryLock() { return g_pdf_library_lock; }

}  // namespace zel
