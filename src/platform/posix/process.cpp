#include "platform/process.h"

#include <signal.h>

namespace norvane::platform {

void prepare_process() noexcept {
  ::signal(SIGPIPE, SIG_IGN);
}

}  // namespace norvane::platform
