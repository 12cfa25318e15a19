#include "app/controller_app.h"

#include <sys/socket.h>
#include <unistd.h>

namespace velantor {

bool CheckSocketLibrary() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ::close(fd);  // never used for traffic
  return true;
}

}  // namespace velantor
