#pragma once
// The words of the protocol between the player and the archive server, named once for
// the client, the server, the tools and the benchmarks: the first lines, the packet tags,
// the packet names, the descriptions and the words of the text packets. docs/protocol.md
// describes how they are put together on the wire.
//
// Texts are UTF-8 here and Windows-1250 on the wire; every word below is plain ASCII, so
// both forms are the same bytes. A text packet is the packet named kString whose payload
// is the text; a command or an answer is its first word, then, where it takes one, a
// space and its argument.
namespace protokol {

// The first line of a connection: raw bytes ending in "\n", before any packet.
// client -> server: the connection is a player's; packets follow both ways.
inline constexpr const char* kPlayer = "player";
// client -> server: the station list; the server answers with one text packet and closes.
inline constexpr const char* kListaBaz = "listabaz";
// The longest first line the server waits for, without its "\n"; longer ones are dropped.
inline constexpr int kMaksPierwszaLinia = 16;

// The six bytes that open every packet (Paczka2), both ways.
inline constexpr const char* kZnacznikPaczki2 = "paczk2";
// The tag of the base packet form without a description (Paczka); never sent.
inline constexpr const char* kZnacznikPaczki = "paczka";

// Packet names (Nazwa).
// Both ways: a text (commands, answers, pings, the station list).
inline constexpr const char* kString = "String";
// server -> client: a block of audio (PaczkaAudio).
inline constexpr const char* kPaczkaAudio = "PaczkaAudio";
// server -> client: the intervals in which the station has audio (PrzedzialyAudio).
inline constexpr const char* kPrzedzialyAudio = "PrzedzialyAudio";
// client -> server: the intervals to export (Przedzialy, described kOpisEksport).
inline constexpr const char* kPrzedzialy = "Przedzialy";
// server -> client: a change to the station's event base (Update<BazaZintegrowana>).
inline constexpr const char* kUpdate = "Update<";

// Descriptions (Opis); commands, answers and audio to be played have none.
// client -> server on kPrzedzialy: export these intervals; server -> client on
// kPaczkaAudio: audio of the export, not to be played.
inline constexpr const char* kOpisEksport = "export";
// server -> client on kPrzedzialyAudio: audio added to / gone from the station's archive.
inline constexpr const char* kOpisUpdatePlus = "update+";
inline constexpr const char* kOpisUpdateMinus = "update-";
// server -> client on kUpdate: the whole event base (plus), to replace what the client holds.
inline constexpr const char* kOpisInitIwentow = "init iwentow";
// server -> client on kUpdate: what was added to (plus) and taken from (minus) the event base.
inline constexpr const char* kOpisUpdateIwentow = "update iwentow";

// Commands, client -> server, in text packets.
// "zmienstacje <time> <station>": play the station from the time (16 hex digits).
inline constexpr const char* kZmienStacje = "zmienstacje";
// Start / stop the stream at the pace of playing.
inline constexpr const char* kPlay = "play";
inline constexpr const char* kStop = "stop";
// "setpos <time>": a seek to the time (16 hex digits).
inline constexpr const char* kSetpos = "setpos";
// "grajiwenty <family>": play only the intervals of an event family, from where the player is.
inline constexpr const char* kGrajIwenty = "grajiwenty";
// Play everything again.
inline constexpr const char* kGrajWszystko = "grajwszystko";
// Send more audio: the player holds little.
inline constexpr const char* kWyslijSztukeAudia = "wyslijsztukeaudia";
// "pong <n>": the answer to "ping <n>".
inline constexpr const char* kPong = "pong";
// Send the whole event base again (kOpisInitIwentow). The spelling is the wire's.
inline constexpr const char* kWyslijBaze = "wylijbazeZ";
// Stop the export; answered with kKoniecEksportu.
inline constexpr const char* kPrzerwijEksport = "przerwijeksport";

// Answers and notices, server -> client, in text packets.
// "ping <n>": answer with "pong <n>".
inline constexpr const char* kPing = "ping";
// "terazgramy <station>": the station change was accepted.
inline constexpr const char* kTerazGramy = "terazgramy";
// "busy <station>": the station's archive cannot be read now.
inline constexpr const char* kBusy = "busy";
// "empty <station>": the station has no audio yet.
inline constexpr const char* kEmpty = "empty";
// "error <text>": a request failed; the connection stays.
inline constexpr const char* kError = "error";
// The export ended (done, failed or stopped).
inline constexpr const char* kKoniecEksportu = "koniecexportu";
// After kError, the texts a client acts on: a station change the server refused.
inline constexpr const char* kBladNieznanaStacja = "nieznana stacja";
inline constexpr const char* kBladZlyCzas = "zly czas";

// Descriptions of the player core's inbox (inside the client, never on the wire).
// A status text for the user.
inline constexpr const char* kOpisStatus = "bardzo ladny print";
// A diagnostic text of the playback engine.
inline constexpr const char* kOpisDebug = "debug";
// Texts for the main window: a message that came (pop-up), a status-line text, a
// pop-up text, a status-line text again.
inline constexpr const char* kOpisPrzyszlo = "przyszlo";
inline constexpr const char* kOpisLadnyPrint = "ladny print";
inline constexpr const char* kOpisPrint = "print";

// A diagnostic notice, server -> client: "setkolorznacznik <colour> <time>" puts a marker
// at the time (16 hex digits) on the axis when the client runs with diagnostics.
inline constexpr const char* kSetKolorZnacznik = "setkolorznacznik";

}  // namespace protokol
