#include "platform/system_library.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error_codes.h"

namespace zel::platform {

namespace {

// The directories the system's own libraries live in, most specific first. Only absolute paths
// built from these are handed to the loader, so neither LD_LIBRARY_PATH, nor the current folder,
// nor the program's folder can supply a library of the same name.
constexpr const char* kSystemLibraryDirs[] = {
#if defined(__x86_64__)
    "/lib/x86_64-linux-gnu",
    "/usr/lib/x86_64-linux-gnu",
#elif defined(__aarch64__)
    "/lib/aarch64-linux-gnu",
    "/usr/lib/aarch64-linux-gnu",
#endif
    "/lib64",
    "/usr/lib64",
    "/lib",
    "/usr/lib",
};

}  // namespace

int32_t OpenSystemLibrary(const std::string& bareName, int32_t flags, LibraryGuard& module) {
  for (const char* dir : kSystemLibraryDirs) {
    std::string path = std::string(dir) + "/" + bareName;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    // The first directory that holds the file decides, as the system directory does elsewhere.
    module.Reset(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | flags));
    return module.Empty() ? kErrorModuleNotFound : 0;
  }
  return kErrorModuleNotFound;
}

void CloseLibrary(ModuleHandle module) {
  if (module != nullptr) dlclose(module);
}

int32_t FindLibraryFunction(ModuleHandle module, const std::string& name, void*& address) {
  address = dlsym(module, name.c_str());
  return address != nullptr ? 0 : kErrorProcedureNotFound;
}

ModuleHandle ModuleContaining(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  // glibc's loader handles are the modules' link maps, so the map found for the address is the
  // module handle dlopen would return for that module.
  if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) return nullptr;
  return map;
}

int32_t ModuleFileName(ModuleHandle module, std::string& path) {
  link_map* map = nullptr;
  if (module != nullptr && dlinfo(module, RTLD_DI_LINKMAP, &map) != 0) return kErrorModuleNotFound;
  if (map != nullptr && map->l_name != nullptr && map->l_name[0] != 0) {
    path = map->l_name;
    return 0;
  }
  // The program itself has no name in the loader's list; the kernel knows its file.
  char buffer[4096];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length < 0) return errno;
  path.assign(buffer, static_cast<size_t>(length));
  return 0;
}

}  // namespace zel::platform
