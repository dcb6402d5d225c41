#pragma once

namespace fotoloom::test {

// Takes from this process, and from the programs it starts, the rights by which root reads and
// writes files and folders whatever their modes, so that a test of a write-protected file
// really fails also when the tests run as root. Meant for a forked child: the rights do not
// come back. Does nothing for another user; false when the rights cannot be given up.
bool GiveUpRootFileRights();

}  // namespace fotoloom::test
