#include "platform/named_mutex.h"

#include <pthread.h>
#include <sys/mman.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <utility>

#include "platform/posix/futex.h"
#include "platform/posix/shared_object.h"

namespace zel::platform {

namespace {

// Layout shared with every other process that opens the mutex.
constexpr int64_t kObjectSize = 64;
constexpr size_t kMutexOffset = 8;
static_assert(kMutexOffset + sizeof(pthread_mutex_t) <= kObjectSize);

enum : uint32_t { kUninitialised = 0, kInitialising = 1, kReady = 2 };

// A process that died between claiming and finishing the initialisation would leave every later
// opener waiting; give up after this long instead of hanging.
constexpr int kInitialisationWaitMs = 5000;

struct NamedMutex : SharedObject {
  NamedMutex(int descriptor, void* mapped) : SharedObject(descriptor), view(mapped) {}
  ~NamedMutex() override { munmap(view, kObjectSize); }
  std::atomic_ref<uint32_t> State() {
    return std::atomic_ref<uint32_t>(*static_cast<uint32_t*>(view));
  }
  pthread_mutex_t* Mutex() {
    return reinterpret_cast<pthread_mutex_t*>(static_cast<unsigned char*>(view) + kMutexOffset);
  }
  void* view;
};

int InitialiseMutex(pthread_mutex_t* mutex) {
  pthread_mutexattr_t attributes;
  int error = pthread_mutexattr_init(&attributes);
  if (error != 0) return error;
  error = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
  if (error == 0) error = pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
  if (error == 0) error = pthread_mutex_init(mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
  return error;
}

// Whichever process moves the state from 0 to 1 initialises the mutex; the others wait for 2.
int MakeReady(NamedMutex& object) {
  const timespec pause{0, 10 * 1000 * 1000};
  for (int waitedMs = 0; waitedMs <= kInitialisationWaitMs;) {
    uint32_t state = kUninitialised;
    if (object.State().compare_exchange_strong(state, kInitialising)) {
      const int error = InitialiseMutex(object.Mutex());
      object.State().store(error == 0 ? kReady : kUninitialised, std::memory_order_release);
      futex::Wake(static_cast<uint32_t*>(object.view), 0x7FFFFFFF);
      return error;
    }
    if (state == kReady) return 0;
    if (state != kInitialising) return EINVAL;  // not a mutex object of ours
    futex::Wait(static_cast<uint32_t*>(object.view), kInitialising, &pause);
    waitedMs += 10;
  }
  return ETIMEDOUT;
}

}  // namespace

int32_t CreateNamedMutex(const std::u16string& name, const SecurityAttributes* attributes,
                         HandleGuard& mutex) {
  void* view = nullptr;
  const int fd = OpenSmallObject(name, kObjectSize, attributes, view);
  if (fd < 0) return errno;
  auto* object = new NamedMutex(fd, view);
  HandleGuard created(object);
  if (const int error = MakeReady(*object); error != 0) return error;
  mutex = std::move(created);
  return 0;
}

int32_t WaitForMutex(Handle mutex, bool& abandoned) {
  abandoned = false;
  auto* object = As<NamedMutex>(mutex);
  if (object == nullptr) return EINVAL;
  const int result = pthread_mutex_lock(object->Mutex());
  if (result == 0) return 0;
  // The owner died while holding it. Whatever it was doing is over; mark the mutex consistent so
  // that it keeps working after we release it.
  if (result == EOWNERDEAD) {
    const int error = pthread_mutex_consistent(object->Mutex());
    if (error == 0) {
      abandoned = true;
      return 0;
    }
    pthread_mutex_unlock(object->Mutex());
    return error;
  }
  return result;
}

int32_t ReleaseMutex(Handle mutex) {
  auto* object = As<NamedMutex>(mutex);
  if (object == nullptr) return EINVAL;
  return pthread_mutex_unlock(object->Mutex());
}

}  // namespace zel::platform
