// Loads AFL++'s GCC instrumentation plugin into a GCC whose build differs from
// the one the plugin was compiled against only in its recorded configure line
// (Debian 12's stable updates of gcc-12 changed the package version in it,
// and the plugin in the afl++ package still names the original build). GCC
// compares that line before calling a plugin; this shim hands the plugin the
// line it expects and everything else unchanged.
//
// Built by scripts/fuzz.sh only when the plain plugin refuses the compiler,
// with NORVANE_AFL_PLUGIN (the real plugin) and NORVANE_AFL_PLUGIN_CONFIGURE
// (the configure line recorded in it) defined.
#include <dlfcn.h>

#include <cstdio>

extern "C" {

struct plugin_gcc_version {
  const char* basever;
  const char* datestamp;
  const char* devphase;
  const char* revision;
  const char* configuration_arguments;
};
struct plugin_name_args;

__attribute__((visibility("default"))) int plugin_is_GPL_compatible;

__attribute__((visibility("default"))) int plugin_init(plugin_name_args* info,
                                                       plugin_gcc_version* version) {
  void* real = ::dlopen(NORVANE_AFL_PLUGIN, RTLD_NOW | RTLD_GLOBAL);
  if (real == nullptr) {
    std::fprintf(stderr, "afl plugin shim: %s\n", ::dlerror());
    return 1;
  }
  using Init = int (*)(plugin_name_args*, plugin_gcc_version*);
  const auto init = reinterpret_cast<Init>(::dlsym(real, "plugin_init"));
  if (init == nullptr) return 1;
  plugin_gcc_version expected = *version;
  expected.configuration_arguments = NORVANE_AFL_PLUGIN_CONFIGURE;
  return init(info, &expected);
}
}
