// Preloaded into the host by the end-to-end tests: the kernel's control that forbids dynamic code
// (PR_SET_MDWE) fails with the error number in ZEL_TEST_MDWE_ERROR, as it does on kernels that
// lack it, so the host's report of a refusal is seen on any kernel. Every other request goes to
// the kernel unchanged.
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>

namespace {

constexpr int kSetMdwe = 65;

}  // namespace

extern "C" int prctl(int option, ...) {
  va_list arguments;
  va_start(arguments, option);
  const unsigned long second = va_arg(arguments, unsigned long);
  const unsigned long third = va_arg(arguments, unsigned long);
  const unsigned long fourth = va_arg(arguments, unsigned long);
  const unsigned long fifth = va_arg(arguments, unsigned long);
  va_end(arguments);
  if (option == kSetMdwe) {
    const char* error = std::getenv("ZEL_TEST_MDWE_ERROR");
    errno = error != nullptr ? std::atoi(error) : EINVAL;
    return -1;
  }
  return static_cast<int>(syscall(SYS_prctl, option, second, third, fourth, fifth));
}
