// The PDF library is not used concurrently: every sequence of its calls, from loading a document
// to closing it, runs while this one process-wide mutex is held.
#pragma once

#include <mutex>

namespace zel {

std::mutex& PdfLibraryLock();

}  // namespace zel
