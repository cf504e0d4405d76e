#include "platform/critical_section.h"

#include <pthread.h>

#include <new>

namespace zel::platform {

namespace {

static_assert(sizeof(pthread_mutex_t) <= 64 && alignof(pthread_mutex_t) <= 16);

}  // namespace

CriticalSection::CriticalSection() noexcept {
  initializationError_ = pthread_mutex_init(reinterpret_cast<pthread_mutex_t*>(storage_), nullptr);
}

CriticalSection::~CriticalSection() {
  if (initializationError_ == 0)
    pthread_mutex_destroy(reinterpret_cast<pthread_mutex_t*>(storage_));
}

void CriticalSection::lock() noexcept {
  pthread_mutex_lock(reinterpret_cast<pthread_mutex_t*>(storage_));
}

void CriticalSection::unlock() noexcept {
  pthread_mutex_unlock(reinterpret_cast<pthread_mutex_t*>(storage_));
}

}  // namespace zel::platform
