#include "transport/Paczka2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/CyclicBuffer.h"
#include "core/Exception.h"
#include "core/IReadAnyNonBlocking.h"
#include "support/Raised.h"
#include "transport/IniBase.h"
#include "transport/Transportable.h"

namespace {

int Count(const String& text, const String& part) {
  int n = 0;
  for (size_t at = text.find(part); at != String::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

String Hex(const String& bytes) {
  String out;
  char two[4];
  for (unsigned char b : bytes) {
    std::snprintf(two, sizeof two, "%02X", b);
    if (!out.empty()) out += ' ';
    out += two;
  }
  return out;
}

String Le32(int v) {
  const auto u = static_cast<unsigned>(v);
  return String{static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                static_cast<char>(u >> 24)};
}

// A packet's wire bytes, built by hand so that the tests do not trust the encoder.
String Wire(const String& tag, int wersja, const String& nazwa, const String& dane,
            const String& opis) {
  return tag + Le32(wersja) + Le32(static_cast<int>(nazwa.size())) + nazwa +
         Le32(static_cast<int>(dane.size())) + dane + Le32(static_cast<int>(opis.size())) + opis;
}

// A sink that keeps every Write call apart, to see how a packet was handed over.
struct Zapisy : Writable {
  std::vector<String> calls;
  void Write(const void* v, int n) override {
    calls.emplace_back(static_cast<const char*>(v), static_cast<size_t>(n));
  }
};

String Encoded(const Paczka& p) {
  Zapisy sink;
  p.Wyslij(sink);
  EXPECT_EQ(sink.calls.size(), 1u);
  return sink.calls.empty() ? String() : sink.calls[0];
}

void Feed(Paczka& p, const String& bytes) { p.Write(bytes.data(), static_cast<int>(bytes.size())); }

// A source that hands out its bytes at most `kawalek` at a time and records the largest
// read asked of it.
struct Zrodlo : IReadAnyNonBlocking {
  String bytes;
  size_t at = 0;
  int kawalek = 1 << 30;
  int largestAsk = 0;
  int ReadAnyNonBlocking(void* v, int n) override {
    largestAsk = std::max(largestAsk, n);
    const int k = static_cast<int>(std::min<size_t>({static_cast<size_t>(n),
                                                     static_cast<size_t>(kawalek),
                                                     bytes.size() - at}));
    std::copy_n(bytes.data() + at, k, static_cast<char*>(v));
    at += static_cast<size_t>(k);
    return k;
  }
};

struct Liczby : Transportable {
  int a = 0;
  String tekst;
  String nazwa = "Liczby";
  int wersja = 1;
  String Name() override { return nazwa; }
  int Version() override { return wersja; }
  void lsa(IniBase& f) override { f.ReadWrite(a).ReadWrite(tekst); }
};

const String kPlay = Wire("paczk2", 1, "String", "play", "");

}  // namespace

TEST(Paczka2, PlayCommandIsSentAsTheWorkedBytesInOneWrite) {
  const String play = String("paczk2\x01\x00\x00\x00\x06\x00\x00\x00String\x04\x00\x00\x00play", 28) +
                      String(4, '\0');
  ASSERT_EQ(play.size(), 32u);
  Paczka2 p("play");
  EXPECT_FALSE(p.Skonczyl());
  EXPECT_EQ(p.Faza(), 0);
  EXPECT_EQ(Hex(Encoded(p)), Hex(play));

  Paczka2 q;
  Feed(q, play);
  ASSERT_TRUE(q.Skonczyl());
  EXPECT_EQ(q.Nazwa, "String");
  EXPECT_EQ(q.Wersja, 1);
  EXPECT_EQ(q.Opis, "");
  EXPECT_EQ(q.DajString(), "play");
  EXPECT_EQ(q.Buforowane(), 0);
}

TEST(Paczka2, BytesArrivingOneAtATimeCompleteExactlyAtTheLastByte) {
  const String wire = Wire("paczk2", 3, "Typ", String("\x00\x01\x02\x03\x04", 5), "opis");
  Paczka2 p;
  const int phases[] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2,
                        3, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
  ASSERT_EQ(wire.size(), std::size(phases) + 1);
  for (size_t i = 0; i < wire.size(); ++i) {
    SCOPED_TRACE(i);
    Feed(p, wire.substr(i, 1));
    if (i + 1 < wire.size()) {
      EXPECT_FALSE(p.Skonczyl());
      EXPECT_EQ(p.Faza(), phases[i]);
    }
  }
  ASSERT_TRUE(p.Skonczyl());
  EXPECT_EQ(p.Wersja, 3);
  EXPECT_EQ(p.Nazwa, "Typ");
  EXPECT_EQ(Hex(p.core.Tekst()), "00 01 02 03 04");
  EXPECT_EQ(p.Opis, "opis");
}

TEST(Paczka2, TwoPacketsInOneChunkCompleteOneWriteAtATime) {
  Paczka2 p;
  Feed(p, Wire("paczk2", 1, "String", "first", "") + Wire("paczk2", 1, "String", "second", "x"));
  ASSERT_TRUE(p.Skonczyl());
  EXPECT_EQ(p.DajString(), "first");
  p.Write(nullptr, 0);
  ASSERT_TRUE(p.Skonczyl());
  EXPECT_EQ(p.DajString(), "second");
  EXPECT_EQ(p.Opis, "x");
  p.Write(nullptr, 0);
  EXPECT_FALSE(p.Skonczyl());
  EXPECT_EQ(p.Faza(), 0);
}

// A source of many packets shorter than one read: each Wczytaj gives the next packet, and
// what has been read beyond the packets taken out never exceeds one read (kOdczyt), so
// a stream of small packets does not pile up in the reader.
TEST(Paczka2, SmallPacketsDoNotPileUpInTheReader) {
  struct Zrodlo : IReadAnyNonBlocking {
    CyclicBuffer b;
    int64_t przeczytane = 0;
    int ReadAnyNonBlocking(void* v, int n) override {
      const int k = b.ReadAnyNonBlocking(v, n);
      przeczytane += k;
      return k;
    }
  } zrodlo;
  const String jedna = Wire("paczk2", 1, "String", String(1000, 'a'), "export");
  for (int i = 0; i < 500; ++i) zrodlo.b.Write(jedna.data(), static_cast<int>(jedna.size()));
  Paczka2 p;
  int paczek = 0;
  while (p.Wczytaj(zrodlo)) {
    ++paczek;
    EXPECT_LE(zrodlo.przeczytane - paczek * static_cast<int64_t>(jedna.size()), Paczka::kOdczyt) << paczek;
  }
  EXPECT_EQ(paczek, 500);
}

TEST(Paczka2, EmptyTextHasNoPayloadAndCompletesWhenTheDescriptionLengthArrives) {
  Paczka2 sent("");
  const String wire = Encoded(sent);
  ASSERT_EQ(wire.size(), 28u);
  Paczka2 p;
  Feed(p, wire.substr(0, 24));
  EXPECT_EQ(p.Faza(), 4);
  EXPECT_EQ(p.Postep(), 100);
  Feed(p, wire.substr(24));
  ASSERT_TRUE(p.Skonczyl());
  EXPECT_EQ(p.DajString(), "");
}

TEST(Paczka2, ProgressFollowsThePayload) {
  const String wire = Wire("paczk2", 1, "Dane", String(2000, 'x'), "");
  const size_t payloadStart = 6 + 4 + 4 + 4 + 4;
  const struct {
    const char* name;
    size_t bytes;
    int postep;
  } cases[] = {
      {"tag only", 6, 0},
      {"name known, payload size not yet", payloadStart - 1, 0},
      {"size known, no payload", payloadStart, 0},
      {"500 of 2000", payloadStart + 500, 25},
      {"1999 of 2000", payloadStart + 1999, 99},
      {"payload in, waiting for the description length", payloadStart + 2000, 100},
      {"complete", wire.size(), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Paczka2 p;
    Feed(p, wire.substr(0, c.bytes));
    EXPECT_EQ(p.Postep(), c.postep);
  }
}

TEST(Paczka2, TranslatesPolishTextsToWindows1250OnTheWire) {
  Paczka2 sent("Zażółć gęślą jaźń", "Łódź");
  sent.Nazwa = "Ślęża";  // any name crosses the same boundary
  const String wire = Encoded(sent);
  EXPECT_EQ(Hex(wire), Hex(Wire("paczk2", 1, "\x8Cl\xEA\xBF" "a",
                                "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1", "\xA3\xF3" "d\x9F")));
  Paczka2 p;
  Feed(p, wire);
  ASSERT_TRUE(p.Skonczyl());
  EXPECT_EQ(p.Nazwa, "Ślęża");
  EXPECT_EQ(p.Opis, "Łódź");
  p.Nazwa = "String";
  EXPECT_EQ(p.DajString(), "Zażółć gęślą jaźń");
}

TEST(Paczka2, WrongTagQuotesWhatCameAndConsumesIt) {
  // A base-form packet ("paczka") where a Paczka2 is expected.
  Paczka base;
  base.UstawString("a command long enough to quote");
  const String wire = Encoded(base);
  ASSERT_EQ(wire.substr(0, 6), "paczka");
  Paczka2 p;
  const String message = MessageOf([&] { Feed(p, wire); });
  EXPECT_EQ(Text(message), "id=paczka!=paczk2, poczatek pakietu:" + wire.substr(14, 20));
  EXPECT_EQ(Count(message, " in file \"Paczka.cpp\" line "), 1) << message;
  EXPECT_EQ(p.Faza(), 0);
  EXPECT_EQ(p.Buforowane(), static_cast<int>(wire.size()) - 34);
}

TEST(Paczka2, WrongTagQuotesOnlyWhatIsBuffered) {
  Paczka2 p;
  const String message = MessageOf([&] { Feed(p, "PACZK2" + Le32(1) + Le32(6) + "Str"); });
  EXPECT_EQ(Text(message), "id=PACZK2!=paczk2, poczatek pakietu:Str");
  EXPECT_EQ(p.Buforowane(), 0);
}

TEST(Paczka2, FewerThanEightBytesAfterAWrongTagRaiseTheBuffersShortReadError) {
  Paczka2 p;
  const String message = MessageOf([&] { Feed(p, "xxxxxx123"); });
  EXPECT_EQ(Text(message), "CyclicBuffer::PeekEx source=0 length=8 Size()=3 ");
}

TEST(Paczka2, HostileLengthsAreRefusedBeforeAnythingIsAllocated) {
  const int maksTekst = Paczka::MaksTekst;
  const int maksDane = IniBase::MaksDlugosc;
  const struct {
    const char* name;
    String wire;
    String error;
  } cases[] = {
      {"negative name length", "paczk2" + Le32(1) + Le32(-1),
       "Paczka: długość nazwy -1 poza zakresem 0..65536"},
      {"name too long", "paczk2" + Le32(1) + Le32(maksTekst + 1),
       "Paczka: długość nazwy 65537 poza zakresem 0..65536"},
      {"negative payload size", "paczk2" + Le32(1) + Le32(1) + "N" + Le32(-5), "s<0"},
      {"most negative payload size", "paczk2" + Le32(1) + Le32(0) + Le32(INT32_MIN), "s<0"},
      {"payload too large", "paczk2" + Le32(1) + Le32(1) + "N" + Le32(maksDane + 1),
       "Paczka: rozmiar danych 67108865 poza zakresem 0..67108864"},
      {"negative description length", "paczk2" + Le32(1) + Le32(1) + "N" + Le32(0) + Le32(-1),
       "Paczka: długość opisu -1 poza zakresem 0..65536"},
      {"description too long",
       "paczk2" + Le32(1) + Le32(1) + "N" + Le32(0) + Le32(maksTekst + 1),
       "Paczka: długość opisu 65537 poza zakresem 0..65536"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Paczka2 p;
    const int capacity = p.core.Capacity();
    EXPECT_EQ(Text(MessageOf([&] { Feed(p, c.wire); })), c.error);
    EXPECT_EQ(p.core.Capacity(), capacity);
    EXPECT_LE(p.Buforowane(), static_cast<int>(c.wire.size()));
    // The packet stays refused until the connection's owner resets it.
    EXPECT_EQ(Text(MessageOf([&] { p.Write(nullptr, 0); })), c.error);
    p.Reset();
    Feed(p, kPlay);
    ASSERT_TRUE(p.Skonczyl());
    EXPECT_EQ(p.DajString(), "play");
  }
}

// A receiver that lowers the payload limit accepts a payload at it and refuses one beyond
// it from its header alone, keeping the limit across Reset.
TEST(Paczka2, ALoweredPayloadLimitHolds) {
  Paczka2 p;
  p.UstawMaksDanych(1000);
  Paczka2 sent("dane", "");
  sent.core.SetSize(1000);
  Feed(p, Encoded(sent));
  ASSERT_TRUE(p.Skonczyl());
  EXPECT_EQ(p.core.Size(), 1000);
  sent.core.SetSize(1001);
  const String wire = Encoded(sent);
  EXPECT_EQ(Text(MessageOf([&] { Feed(p, wire.substr(0, 24)); })), "Paczka: rozmiar danych 1001 poza zakresem 0..1000");
  p.Reset();
  EXPECT_EQ(p.MaksDanych(), 1000);
  EXPECT_EQ(Text(MessageOf([&] { Feed(p, wire); })), "Paczka: rozmiar danych 1001 poza zakresem 0..1000");
  EXPECT_EQ(Text(MessageOf([&] { p.UstawMaksDanych(IniBase::MaksDlugosc + 1); })),
            "Paczka: rozmiar danych 67108865 poza zakresem 0..67108864");
}

// A receiver that bounds the whole packet accepts one of exactly that size and refuses one
// a byte longer as soon as the length that makes it longer is read: the name's, the
// payload's or the description's, before those bytes arrive.
TEST(Paczka2, AWholePacketLimitHoldsAtEachLength) {
  const struct {
    const char* gdzie;
    int nazwa, dane, opis;
    int64_t conajmniej;  // the size known once that length is read
    size_t wystarczy;    // the bytes of the wire up to and with that length
  } przypadki[] = {
      {"name", 100, 0, 0, 14 + 100, 14},
      {"payload", 4, 90, 0, 14 + 4 + 4 + 90, 22},
      {"description", 4, 0, 90, 14 + 4 + 4 + 4 + 90, 26},
  };
  for (const auto& c : przypadki) {
    SCOPED_TRACE(c.gdzie);
    Paczka2 sent(String(static_cast<size_t>(c.dane), 'd'), String(static_cast<size_t>(c.opis), 'o'));
    sent.Nazwa = String(static_cast<size_t>(c.nazwa), 'n');
    const String wire = Encoded(sent);
    Paczka2 p;
    p.UstawMaksPaczki(static_cast<int64_t>(wire.size()));
    Feed(p, wire);
    ASSERT_TRUE(p.Skonczyl());
    EXPECT_EQ(p.MaksPaczki(), static_cast<int64_t>(wire.size()));
    Paczka2 q;
    q.UstawMaksPaczki(c.conajmniej - 1);
    EXPECT_EQ(Text(MessageOf([&] { Feed(q, wire.substr(0, c.wystarczy)); })),
              "Paczka: paczka dłuższa niż " + std::to_string(c.conajmniej - 1) + " bajtów (co najmniej " +
                  std::to_string(c.conajmniej) + ")");
  }
}

TEST(Paczka2, TextsAtTheLengthLimitAreAccepted) {
  const String longest(Paczka::MaksTekst, 'n');
  Paczka2 sent("dane", String(Paczka::MaksTekst, 'o'));
  sent.Nazwa = longest;
  Paczka2 p;
  Feed(p, Encoded(sent));
  ASSERT_TRUE(p.Skonczyl());
  EXPECT_EQ(p.Nazwa, longest);
  EXPECT_EQ(p.Opis.size(), static_cast<size_t>(Paczka::MaksTekst));
}

TEST(Paczka2, SendingWhatAReceiverWouldRefuseWritesNothing) {
  const struct {
    const char* name;
    String nazwa;
    String opis;
    String error;
  } cases[] = {
      {"name", String(Paczka::MaksTekst + 1, 'n'), "", "Paczka: długość nazwy 65537"},
      {"description", "String", String(Paczka::MaksTekst + 1, 'o'),
       "Paczka: długość opisu 65537"},
      // Windows-1250 is what counts: one byte per Polish letter.
      {"description of two-byte letters fits", "String", [] {
         String s;
         for (int i = 0; i < Paczka::MaksTekst; ++i) s += "ą";
         return s;
       }(), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Paczka2 p("x", c.opis);
    p.Nazwa = c.nazwa;
    Zapisy sink;
    const String message = MessageOf([&] { p.Wyslij(sink); });
    if (c.error.empty()) {
      EXPECT_EQ(message, "(nothing raised)");
      EXPECT_EQ(sink.calls.size(), 1u);
    } else {
      EXPECT_EQ(message.rfind(c.error, 0), 0u) << message;
      EXPECT_TRUE(sink.calls.empty());
    }
  }
}

TEST(Paczka2, WstawAndWyjmijCarryAnObject) {
  Liczby sent;
  sent.a = -42;
  sent.tekst = "zażółć";
  Paczka2 p;
  Feed(p, Encoded(Paczka2(sent, "opis")));
  ASSERT_TRUE(p.Skonczyl());
  EXPECT_EQ(p.Nazwa, "Liczby");
  EXPECT_EQ(p.Opis, "opis");
  Liczby got;
  p.Wyjmij(got);
  EXPECT_EQ(got.a, -42);
  EXPECT_EQ(got.tekst, "zażółć");
}

TEST(Paczka2, WyjmijAndDajStringRefuseTheWrongPacketAndLeaveTheObjectUntouched) {
  Liczby sent;
  sent.a = 7;
  sent.wersja = 2;
  Paczka2 complete;
  Feed(complete, Encoded(Paczka2(sent, "")));
  ASSERT_TRUE(complete.Skonczyl());
  Paczka2 pending(sent, "");

  const struct {
    const char* name;
    const Paczka2* p;
    String nazwa;
    int wersja;
    String error;
  } cases[] = {
      {"not complete", &pending, "Liczby", 2, "!Skonczyl()"},
      {"other name", &complete, "Inne", 2, "Nazwa!=t.Name()"},
      {"other version", &complete, "Liczby", 1, "Wersja!=t.Version()"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Liczby target;
    target.a = 99;
    target.tekst = "nietkniety";
    target.nazwa = c.nazwa;
    target.wersja = c.wersja;
    const String message = MessageOf([&] { c.p->Wyjmij(target); });
    EXPECT_EQ(Text(message), c.error);
    EXPECT_EQ(Count(message, " in file "), 2) << message;  // the assertion form
    EXPECT_EQ(target.a, 99);
    EXPECT_EQ(target.tekst, "nietkniety");
  }
  EXPECT_EQ(Text(MessageOf([&] { Paczka2("play").DajString(); })), "!Skonczyl()");
  EXPECT_EQ(Text(MessageOf([&] { complete.DajString(); })), "Nazwa!=\"String\"");
}

TEST(Paczka2, WyjmijFromAShortPayloadRaisesTheReadError) {
  Paczka2 p;
  Feed(p, Wire("paczk2", 1, "Liczby", Le32(5) + Le32(10) + "abc", ""));
  ASSERT_TRUE(p.Skonczyl());
  Liczby got;
  EXPECT_EQ(Text(MessageOf([&] { p.Wyjmij(got); })), "Odczytana długość 10 większa niż pozostałe 3 bajtów");
  EXPECT_EQ(got.a, 5);  // partly filled; the caller discards it
}

TEST(Paczka2, ResetForgetsTheOldConnectionsBytes) {
  Paczka2 p;
  Feed(p, Wire("paczk2", 9, "Stare", "abcdef", "").substr(0, 25));
  ASSERT_EQ(p.Faza(), 3);
  ASSERT_EQ(p.Wersja, 9);
  p.Reset();
  EXPECT_EQ(p.Faza(), 0);
  EXPECT_EQ(p.Wersja, 1);
  EXPECT_EQ(p.Buforowane(), 0);
  EXPECT_EQ(p.Nazwa, "Stare");  // overwritten by the next packet, not by Reset
  Feed(p, kPlay);
  ASSERT_TRUE(p.Skonczyl());
  EXPECT_EQ(p.DajString(), "play");
}

TEST(Paczka2, WczytajReturnsOnePacketPerCallInReadsOfAtMostOneChunk) {
  const String big(100000, 'b');
  Zrodlo source;
  source.bytes = Encoded(Paczka2("one")) + Encoded(Paczka2(big, "duzy")) + Encoded(Paczka2("three"));
  const struct {
    const char* name;
    int kawalek;
  } cases[] = {{"all at once", 1 << 30}, {"in 1000-byte pieces", 1000}, {"a byte at a time", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    source.at = 0;
    source.kawalek = c.kawalek;
    Paczka2 p;
    std::vector<String> got;
    while (p.Wczytaj(source)) got.push_back(p.DajString());
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], "one");
    EXPECT_EQ(got[1], big);
    EXPECT_EQ(got[2], "three");
    EXPECT_EQ(source.largestAsk, Paczka::kOdczyt);
    EXPECT_EQ(p.Buforowane(), 0);
  }
}

TEST(Paczka2, SentBytesParseBackIntoTheSamePacketThroughABuffer) {
  CyclicBuffer line;
  Paczka2("stop", "").Wyslij(line);
  Paczka2(String(100000, 'z'), "opis").Wyslij(line);
  Paczka2 p;
  ASSERT_TRUE(p.Wczytaj(line));
  EXPECT_EQ(p.DajString(), "stop");
  ASSERT_TRUE(p.Wczytaj(line));
  EXPECT_EQ(p.DajString(), String(100000, 'z'));
  EXPECT_EQ(p.Opis, "opis");
  EXPECT_FALSE(p.Wczytaj(line));
}

TEST(Paczka, BaseFormHasNoDescriptionAndRefusesTheOtherTag) {
  Paczka sent;
  sent.UstawString("abc");
  const String wire = Encoded(sent);
  EXPECT_EQ(Hex(wire), Hex("paczka" + Le32(1) + Le32(6) + "String" + Le32(3) + "abc"));
  Paczka p;
  Feed(p, wire);
  ASSERT_TRUE(p.Skonczyl());
  EXPECT_EQ(p.DajString(), "abc");
  Paczka q;
  EXPECT_EQ(Text(MessageOf([&] { Feed(q, kPlay); })).rfind("id=paczk2!=paczka, poczatek pakietu:", 0),
            0u);
}
