// zelHost: the conversion host that a viewer starts as its child process.
#include <string>
#include <vector>

#include "host/host_main.h"
#include "util/strings.h"

int main(int argc, char** argv) {
  // The command line arrives as UTF-8; the host parses it as wide text, as the viewer passes it.
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(vesku::ToWide(argv[i]));
  return zel::HostMain(arguments);
}
