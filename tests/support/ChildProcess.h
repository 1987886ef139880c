#pragma once
// Runs a piece of a test in a forked child, for what must not touch the test process itself:
// dropped privileges, resource limits, private mounts. The child's result is its exit code.

#include <functional>

// Exit code of the child, or −1 when it did not exit normally.
int RunInChild(const std::function<int()>& body);

// In a child: becomes the unprivileged user "nobody" when running as root; true on success
// (also when not root, where the permissions apply anyway).
bool DropPrivileges();
