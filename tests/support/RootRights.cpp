#include "support/RootRights.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

namespace fotoloom::test {

bool GiveUpRootFileRights() {
  if (::geteuid() != 0) return true;
  const int rights[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (::syscall(SYS_capget, &header, data) != 0) return false;
  for (const int right : rights) {
    // Out of the bounding set too, or a program started by root would get it back.
    if (::prctl(PR_CAPBSET_DROP, right, 0, 0, 0) != 0) return false;
    const uint32_t bit = 1u << right;  // all three are below 32: they live in data[0]
    data[0].effective &= ~bit;
    data[0].permitted &= ~bit;
    data[0].inheritable &= ~bit;
  }
  return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace fotoloom::test
