#include "ChildProcess.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

int RunInChild(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) _exit(body());
  int status = 0;
  if (waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool DropPrivileges() {
  if (geteuid() != 0) return true;
  constexpr uid_t kNobody = 65534;
  return setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0;
}
