#include "core/ThreadSafeBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/CyclicBuffer.h"
#include "core/Exception.h"

TEST(ThreadSafeBuffer, ForwardsEveryOperationToItsRingBuffer) {
  ThreadSafeBuffer b;
  char got[16] = {};
  EXPECT_EQ(b.ReadAnyNonBlocking(got, 16), 0);
  b.Write("0123456789", 10);
  EXPECT_EQ(b.Size(), 10);
  b.PeekEx(got, 2, 3);
  EXPECT_EQ(String(got, 3), "234");
  b.Skip(4);
  b.Read(got, 2);
  EXPECT_EQ(String(got, 2), "45");
  EXPECT_EQ(b.ReadAnyNonBlocking(got, 16), 4);
  EXPECT_EQ(String(got, 4), "6789");
  EXPECT_THROW(b.Skip(1), Exception);
  b.Write("abc", 3);
  b.Reset();
  EXPECT_EQ(b.Size(), 0);

  // The interfaces' defaults lock again through the calls they make.
  CyclicBuffer source;
  source.Write("xyz", 3);
  b.Write2(source, 2147483647);
  CyclicBuffer sink;
  b.ReadAnyNonBlocking2(sink, 2);
  EXPECT_EQ(sink.Contents(), "xy");
  EXPECT_EQ(b.Size(), 1);
}

// Writers post whole units (writer, sequence number, length, payload) while one reader
// drains the buffer in chunks of any size; every unit must arrive whole, unmixed with
// another writer's bytes, and each writer's units in the order it wrote them.
TEST(ThreadSafeBuffer, UnitsOfConcurrentWritersNeverInterleave) {
  constexpr int kWriters = 4;
  constexpr int kUnits = 3000;
  ThreadSafeBuffer b;
  std::atomic<int> running{kWriters};
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&b, &running, w] {
      for (int seq = 0; seq < kUnits; ++seq) {
        const int length = (seq * 7919 + w * 31) % 300 + 1;
        String unit;
        unit += static_cast<char>(w);
        unit += static_cast<char>(seq & 0xFF);
        unit += static_cast<char>(seq >> 8);
        unit += static_cast<char>(length & 0xFF);
        unit += static_cast<char>(length >> 8);
        for (int i = 0; i < length; ++i) unit += static_cast<char>(w * 64 + seq + i);
        b.Write(unit.data(), static_cast<int>(unit.size()));
      }
      --running;
    });
  }

  CyclicBuffer received;  // what the reader has taken and not parsed yet
  std::vector<int> nextSeq(kWriters, 0);
  int units = 0;
  int chunk = 1;
  auto parse = [&] {
    unsigned char header[5];
    while (received.Size() >= 5) {
      received.Peek(header, 5);
      const int length = header[3] | header[4] << 8;
      if (received.Size() < 5 + length) return;
      const int w = header[0];
      const int seq = header[1] | header[2] << 8;
      ASSERT_LT(w, kWriters);
      ASSERT_EQ(seq, nextSeq[w]) << "writer " << w;
      ASSERT_EQ(length, (seq * 7919 + w * 31) % 300 + 1);
      String payload(length, '\0');
      received.Skip(5);
      received.Read(payload.data(), length);
      for (int i = 0; i < length; ++i) {
        ASSERT_EQ(payload[i], static_cast<char>(w * 64 + seq + i))
            << "writer " << w << " unit " << seq;
      }
      ++nextSeq[w];
      ++units;
    }
  };
  for (;;) {
    const bool done = running.load() == 0;  // read before draining, so nothing is missed
    char bytes[1024];
    for (;;) {
      const int k = b.ReadAnyNonBlocking(bytes, chunk);
      chunk = (chunk + 37) % 1024 + 1;  // 1 to 1024 bytes, so that units are cut everywhere
      if (k == 0) break;
      received.Write(bytes, k);
      parse();
      if (HasFatalFailure()) break;
    }
    if (done || HasFatalFailure()) break;
    std::this_thread::yield();
  }
  for (std::thread& t : writers) t.join();
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(units, kWriters * kUnits);
  EXPECT_EQ(received.Size(), 0);
  EXPECT_EQ(b.Size(), 0);
}
