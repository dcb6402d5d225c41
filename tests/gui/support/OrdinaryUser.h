#pragma once

#include <grp.h>
#include <unistd.h>

#include <cstdlib>

namespace fotoloom::test {

// Permission bits bind only a user other than root, so a test program that writes to
// write-protected photos gives up root first: "nobody" from then on. Call it before the
// program makes any folder, which must then belong to that user.
inline bool BecomeOrdinaryUser() {
  if (::geteuid() != 0) return true;
  constexpr gid_t kNobodyGroup = 65534;
  constexpr uid_t kNobody = 65534;
  return ::setgroups(0, nullptr) == 0 && ::setgid(kNobodyGroup) == 0 && ::setuid(kNobody) == 0;
}

}  // namespace fotoloom::test

// FOTOLOOM_GUI_TEST_MAIN run as an ordinary user.
#define FOTOLOOM_GUI_TEST_MAIN_AS_ORDINARY_USER(TestObject)                   \
  int main(int argc, char** argv) {                                           \
    if (!fotoloom::test::BecomeOrdinaryUser()) qFatal("cannot give up root"); \
    const fotoloom::test::TemporaryHome temporary_home;                       \
    QApplication app(argc, argv);                                             \
    app.setAttribute(Qt::AA_Use96Dpi, true);                                  \
    TestObject test_object;                                                   \
    QTEST_SET_MAIN_SOURCE_PATH                                                \
    return QTest::qExec(&test_object, argc, argv);                            \
  }
