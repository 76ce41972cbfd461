#pragma once
// The player core: the client's one connection to one archive server at a time. It
// announces itself as a player, sends the user's commands as text packets, hands audio
// packets straight to the playback engine, answers the server's pings, keeps the engine's
// buffer filled (asking for more audio below 3 s buffered, at most once per 5 s; both
// in the time it takes to hear, so at a speed of x below 3x s of archive, at most once
// per 5/x s) and puts
// every other packet, its progress texts and the engine's debug texts into the inbox that
// the main window reads on its timer. It never reconnects by itself: the window decides
// when to call ZmienStacje again.
//
// What a server may send is bounded, each bound failing the connection with its reason (the
// window then reconnects): audio whose format text disagrees with its frames (a rate or
// channel count other than theirs, a PCM bit rate that is not theirs), a packet's size
// (kMaksPaczka), the audio held ahead of the moment being heard, in time
// (kMaksWyprzedzenie) and in bytes (kMaksBajtowWyprzedzenia), and the silence of the
// server (kCisza). A lost or failed connection puts its reason into the inbox as a status
// text. Only what the window acts on reaches the inbox (Znana): a packet of a kind, a
// description or a command that a server does not send is dropped as it is read, so
// that a flood of them costs the window nothing.
//
// The server counts audio requests as the engine does: 2 on a new connection, one more
// for each "setpos", each "grajiwenty" and each "zmienstacje" on a connection already up.
//
// Threads: the window's thread calls the commands, the message thread runs the socket
// handlers; ZmienStacje, Graj, Stop, UstawPozycje and GrajIwenty hold the TCP client lock
// for their whole run and every handler runs under it, so a command never interleaves with
// the handling of received packets. The inbox has its own lock and is read by the window's
// thread only; so has the station's name, which DajStacje reads without the client lock.
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

#include "audio/Grajek.h"
#include "audio/WaveOutDevice.h"
#include "core/Czas.h"
#include "core/String.h"
#include "core/ThreadSafeBuffer.h"
#include "display/Listener.h"
#include "display/TimeComponent.h"
#include "player/PowiadomieniaPlayera.h"
#include "player/ZapasAudio.h"
#include "transport/HostResolver.h"
#include "transport/MessageThread.h"
#include "transport/Paczka2.h"
#include "transport/TCPClient.h"

class EsencjaPlayera : public TCPClient, public Listener {
 public:
  // What a tool or a test may put in place of the program's own parts; each one left empty
  // means the program's.
  struct Wyposazenie {
    std::unique_ptr<WaveOutDevice> urzadzenie;  // the sound device; else the output choice
    std::function<Czas()> zegar;                // the clock of the audio requests; else Czas::Teraz
    std::shared_ptr<HostResolver> resolver;     // host name lookup; else the system's
  };

  // The largest packet accepted from a server, whole, as it is on the wire: the largest a
  // server legitimately sends. The server queues every packet for a player whole and
  // drops the player as soon as its queue holds more than 8 MiB, before sending any of
  // it, so no packet longer than 8 MiB ever leaves it. Its largest packets are a station's
  // event base ("init iwentow") and audio intervals, which grow with the archive; its audio
  // packets hold about 1 s (at most 1 MiB), its texts a few dozen bytes; the station list
  // answer is queued under the same limit. A longer packet fails the connection as soon as
  // its header says so, before its bytes are buffered.
  static constexpr int kMaksPaczka = 8 << 20;
  // The most audio held ahead of the moment being heard. The server grants at most 30 s
  // beyond the 5 s it keeps ahead of playing; four times that leaves room for a sound card
  // whose clock runs slow over a long listening.
  static constexpr Roznica kMaksWyprzedzenie = Roznica::Sekunda * 120;
  // The same in bytes: a packet's playing time is what its format claims, so a format
  // claiming a huge bit rate would put many bytes into a short time. 120 s of CD-quality
  // PCM is 21 MB.
  static constexpr int64_t kMaksBajtowWyprzedzenia = int64_t{32} << 20;
  // The server pings every 15 s: three pings missed and the connection counts as lost.
  static constexpr std::chrono::milliseconds kCisza{45000};
  // The most bytes the inbox holds before the socket is left unread. The server sends an
  // export as fast as the connection takes it, far faster than the window writes it, so
  // the socket is read again only once the window has read the inbox down to half of this:
  // the server then waits for the socket, and the client holds a few megabytes at most.
  static constexpr int kMaksSkrzynki = 4 << 20;
  // The most packets handled on one notification of the socket: the rest are read on a
  // message posted behind those waiting, so that a flood does not hold the client lock.
  static constexpr int kPaczekNaOdczyt = 256;

  // The player core on message thread m (not owned, outliving it), with the playing-time
  // component t (not owned, may be null; the player core becomes its listener, so it must
  // have none) and the window's notifications `okno` (not owned, may be null). Creates the
  // playback engine, paused, with its debug texts going to the inbox.
  EsencjaPlayera(TimeComponent* t, MessageThread* m, PowiadomieniaPlayera* okno = nullptr);
  EsencjaPlayera(TimeComponent* t, MessageThread* m, PowiadomieniaPlayera* okno, Wyposazenie w);
  // Disconnects, waits until no socket handler runs, stops listening to t and stops the
  // playback engine. Must not be called under the TCP client lock.
  ~EsencjaPlayera() override;

  // Plays the station `cel` ("station@host:port") from t. On the server already connected
  // to, only "zmienstacje" is sent and the engine moves on to a new request. Otherwise the
  // connection is (re)started, the engine restarts at t with request 2, the status
  // "Łączenie do serwera..." goes to the inbox and the window is told ZdarzeniePolaczenia::Laczenie.
  // Raises the TCP client's errors for a bad address (the client is then idle) and what
  // the notification raises.
  void ZmienStacje(String cel, Czas t);
  // ZmienStacje(cel, CzasGry()): the playing time is kept.
  void ZmienStacje(String cel);
  // Sends "play" and resumes the engine.
  void Graj();
  // Sends "stop" and pauses the engine.
  void Stop();
  // A seek: the engine moves to t on a new request, then "setpos" + t is sent.
  void UstawPozycje(Czas t);
  // Plays at `cwierci`/4 times the pace of the archive (TimeStretcher's range, 2..12),
  // from the moment being heard: a seek there when the speed changes. Below 1x the
  // server still sends at its own pace, so the socket is left unread while more than
  // kPelnyBufor waits to be heard (reading resumes from OdswiezCzas). Raises
  // std::invalid_argument outside the range.
  void UstawPredkosc(int cwierci);
  // The speed in quarters (4 at first).
  int Predkosc() const { return predkosc.load(); }
  // Below 1x, more than this much audio waiting holds the reading of the socket back.
  static constexpr Roznica kPelnyBufor = Roznica::Sekunda * 40;
  // Sends "grajiwenty " + s (play only the events of family s) and moves the engine to a
  // new request at the time the time component holds.
  void GrajIwenty(String s);
  // Sends "grajwszystko": play everything again.
  void GrajWszystko();
  // Sends any packet (dropped while not connected).
  void Wyslij(Paczka2& p);
  // Sends s as a "String" packet with an empty description.
  void WyslijString(String s);
  // The name of the station being played; empty before the first station change.
  String DajStacje();
  // The time being heard.
  Czas CzasGry();
  // Writes CzasGry() into the time component with Set (nobody is told) and returns it; the
  // window calls it on its timer. Resumes reading held back by a full buffer below 1x.
  Czas OdswiezCzas();

  // The time component was changed by the user: UstawPozycje(its time).
  void Hey() override;

  // The inbox: whole packets in wire form, read by the window; reading it is what lets the
  // socket be read again after it filled up (kMaksSkrzynki). Received packets other than
  // audio to play and pings that Znana accepts, unchanged; status texts ("String", description "bardzo ladny
  // print"); the engine's texts ("String", description "debug").
  ThreadSafeBuffer& Skrzynka() { return skrzynka; }
  // The playback engine (it locks itself).
  Grajek& DajGrajka() { return *grajek; }

  // Whether a received packet other than audio to play and a ping is one the window acts
  // on: export audio ("PaczkaAudio" described "export"), audio intervals ("PrzedzialyAudio"
  // with no description, "update+" or "update-"), the event base ("Update<..." described
  // "init iwentow" or "update iwentow"), and texts with no description whose first word is
  // "terazgramy", "busy", "empty", "error", "koniecexportu" or "setkolorznacznik".
  static bool Znana(const Paczka2& p);

  // The status texts of the progress n of the initial data: "Łączenie do serwera..." for
  // n <= 9, the empty text for 100, else "Odbieranie danych początkowych: " + n + "%".
  static String TekstPostepu(int n);

 protected:
  void OnConnectError() override;
  void OnLookupError() override;
  void OnConnect() override;
  void OnRead() override;
  void OnClose() override;

 private:
  // The dispatch loop of OnRead: every complete packet, the progress, the audio request.
  void Odbierz();
  // Puts a status text into the inbox.
  void Status(const String& s);
  // postep = n, and its status text into the inbox, changed or not.
  void UstawPostep(int n);
  // The window's notification; failures raise.
  void Powiadom(ZdarzeniePolaczenia z);
  // The same from a socket handler: a failure is logged, the connection is not its cause.
  void PowiadomZHandlera(ZdarzeniePolaczenia z);
  // Hands an audio packet to the engine and fails the connection when its format text
  // disagrees with its bytes or the audio held ahead goes beyond its bounds.
  void Graj(PaczkaAudio& p);
  // The engine was reset: what it held is gone.
  void ZapomnijZapas();
  // Opens once per `d`: true, and the next opening no sooner than d from now, when now is
  // later than nastepnaProsba.
  bool Bramka(Roznica d);

  MessageThread* komunikaty;
  PowiadomieniaPlayera* okno;
  std::function<Czas()> zegar;

  // The inbox, which after every read by the window resumes the reading of the socket
  // held back while it was full.
  class SkrzynkaOdbiorcza : public ThreadSafeBuffer {
   public:
    explicit SkrzynkaOdbiorcza(EsencjaPlayera& p) : player(p) {}
    int ReadAnyNonBlocking(void* v, int n) override;
    void Skip(int n) override;

   private:
    EsencjaPlayera& player;
  };
  // The window's thread, after reading the inbox: reading resumes when it was held back
  // and the inbox holds less than half of kMaksSkrzynki.
  void PoOdczycieSkrzynki();

  SkrzynkaOdbiorcza skrzynka{*this};  // declared before grajek, whose debug texts it takes
  // Reading of the socket is held back because the inbox is full: set on the message
  // thread, cleared by whichever thread resumes reading.
  std::atomic<bool> wstrzymany{false};
  // The speed in quarters; reading held back because the engine holds enough below 1x.
  std::atomic<int> predkosc{4};
  std::atomic<bool> wstrzymanyZapas{false};
  std::mutex stacjaMutex;  // guards stacja alone: the window reads it on every tick
  String stacja;           // written under the TCP client lock too
  std::unique_ptr<Grajek> grajek;
  TimeComponent* czas;
  Paczka2 odbior;
  Czas nastepnaProsba;
  int postep = 0;
  int64_t pominiete = 0;  // unknown packets dropped on this connection
  ZapasAudio zapas;  // under the TCP client lock
};
