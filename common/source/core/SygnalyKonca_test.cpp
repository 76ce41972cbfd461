#include "core/SygnalyKonca.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

namespace {

// In a child process, so that this test process keeps its signals: blocked before a
// thread starts, the three signals, sent to the process from that thread, end nothing and
// are read one by one, each once.
TEST(SygnalyKonca, WaitForTheLoopInsteadOfEndingTheProcess) {
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int kod = 0;
    try {
      SygnalyKonca::Zablokuj();
      SygnalyKonca s;
      if (s.Odbierz()) kod = 10;
      std::thread([] {
        for (int sygnal : {SIGTERM, SIGINT, SIGHUP}) kill(getpid(), sygnal);
      }).join();
      pollfd p{s.Deskryptor(), POLLIN, 0};
      if (poll(&p, 1, 5000) != 1) kod = 11;
      int suma = 0;
      for (int i = 0; i < 3; ++i) {
        const auto n = s.Odbierz();
        if (!n) kod = 12;
        suma += n.value_or(0);
      }
      if (suma != SIGTERM + SIGINT + SIGHUP) kod = 13;
      if (s.Odbierz()) kod = 14;
    } catch (...) {
      kod = 15;
    }
    _exit(kod);
  }
  int stan = 0;
  ASSERT_EQ(waitpid(pid, &stan, 0), pid);
  ASSERT_TRUE(WIFEXITED(stan)) << "ended by signal " << WTERMSIG(stan);
  EXPECT_EQ(WEXITSTATUS(stan), 0);
}

}  // namespace
