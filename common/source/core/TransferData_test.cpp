#include "core/TransferData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/CyclicBuffer.h"

namespace {

// Records the size of every write and keeps the bytes.
class RecordingSink : public Writable {
 public:
  void Write(const void* v, int n) override {
    sizes.push_back(n);
    bytes.append(static_cast<const char*>(v), n);
  }
  std::vector<int> sizes;
  String bytes;
};

// Hands out at most `step` bytes per call from `bytes`, then 0 for good.
class DribblingSource : public IReadAnyNonBlocking {
 public:
  DribblingSource(String b, int s) : bytes(std::move(b)), step(s) {}
  int ReadAnyNonBlocking(void* v, int n) override {
    ++calls;
    const int k = std::min({n, step, static_cast<int>(bytes.size() - taken)});
    bytes.copy(static_cast<char*>(v), k, taken);
    taken += k;
    return k;
  }
  String bytes;
  int step;
  size_t taken = 0;
  int calls = 0;
};

String Pattern(int n) {
  String s(n, '\0');
  for (int i = 0; i < n; ++i) s[i] = static_cast<char>(i * 13 + i / 256);
  return s;
}

}  // namespace

TEST(TransferData, MovesThroughSixteenKilobyteChunksUpToN) {
  struct Case {
    int held, n;
    std::vector<int> writes;
  } cases[] = {
      {40000, 2147483647, {16384, 16384, 7232}},
      {40000, 20000, {16384, 3616}},
      {40000, 16384, {16384}},
      {40000, 0, {}},
      {40000, -5, {}},
      {0, 2147483647, {}},
      {100, 2147483647, {100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.held << " held, n=" << c.n);
    const String bytes = Pattern(c.held);
    CyclicBuffer source;
    source.Write(bytes.data(), c.held);
    RecordingSink sink;
    TransferData(sink, source, c.n);
    EXPECT_EQ(sink.sizes, c.writes);
    EXPECT_EQ(sink.bytes, bytes.substr(0, sink.bytes.size()));
    EXPECT_EQ(source.Size(), c.held - static_cast<int>(sink.bytes.size()));
  }
}

TEST(TransferData, StopsAtTheFirstEmptyRead) {
  DribblingSource source(Pattern(250), 100);
  RecordingSink sink;
  TransferData(sink, source, 2147483647);
  EXPECT_EQ(sink.sizes, (std::vector<int>{100, 100, 50}));
  EXPECT_EQ(sink.bytes, Pattern(250));
  EXPECT_EQ(source.calls, 4);  // the fourth returned 0 and ended the transfer

  DribblingSource untouched(Pattern(10), 10);
  TransferData(sink, untouched, 0);
  EXPECT_EQ(untouched.calls, 0);
}

TEST(TransferData, TheInterfacesDefaultsTransfer) {
  const String bytes = Pattern(20000);
  CyclicBuffer source;
  source.Write(bytes.data(), 20000);
  RecordingSink sink;
  sink.Write2(source, 17000);
  EXPECT_EQ(sink.sizes, (std::vector<int>{16384, 616}));
  source.ReadAnyNonBlocking2(sink, 2147483647);
  EXPECT_EQ(sink.bytes, bytes);
  EXPECT_EQ(source.Size(), 0);
}
