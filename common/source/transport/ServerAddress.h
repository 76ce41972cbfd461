#pragma once
// The address of an archive server as people, settings files and target texts write it,
// read the same way wherever one is read (the command lines, the settings, the TCP client):
//   "host"          the host on the default port, 12540
//   "host:port"     a name or a dotted IPv4 address and a decimal port
//   "[v6]" "[v6]:port"  an IPv6 address in brackets
//   "::1"           more than one colon and no brackets: a bare IPv6 address, always on
//                   the default port (its last group cannot be told from a port; write
//                   "[::1]:2000" to give one)
// A name holds only ASCII letters, digits, "-", "." and "_" (no "@": "user@host" is no
// host); an IPv6 address, in brackets or bare, is a well-formed one, with a zone after
// "%" ("fe80::1%eth0") of those characters too. Nothing else reaches the name resolver.
// Blanks around the whole text are ignored. Thread-safe: plain functions on values.
#include "core/String.h"

struct ServerAddress {
  static constexpr int kDefaultPort = 12540;

  String host;  // a name or a numeric address, an IPv6 one without brackets
  int port = kDefaultPort;
  bool portGiven = false;  // the text named the port

  // host ":" port, an IPv6 host in brackets: the form every address is written back in.
  String Text() const;
  bool operator==(const ServerAddress&) const = default;
};

// What is wrong with an address text.
enum class AddressFault {
  None,
  Empty,             // nothing but blanks
  NoHost,            // ":2000", "[]:2000"
  BadHost,           // a character no host name holds ("user@host", "my host", "a]")
  BadIpv6,           // "[v1.fe]", "[1:2:3:4:5:6:7:8:9]", "127.0.0.1:2000:1" (a bare one)
  UnclosedBracket,   // "[::1"
  AfterBracket,      // "[::1]x": something other than ":port" after the bracket
  EmptyPort,         // "host:"
  BadPort,           // "host:x", "host:+5"
  PortOutOfRange,    // "host:0" (unless allowed), "host:65536"
};

struct AddressReading {
  ServerAddress address;  // as far as it was read; the host is set for a port fault
  AddressFault fault = AddressFault::None;
  String portText;        // the port as written, for messages
};

// Reads `text` without raising. Port 0 is accepted only with `allowPortZero` (a server
// listening "on any free port").
AddressReading ReadServerAddress(const String& text, bool allowPortZero = false);

// What the fault is, for a person: "brak portu po dwukropku", ...; empty for None.
String AddressFaultText(AddressFault fault);

// The address of `text`, or raises "zły adres serwera " + Cytat(text) + ": " + the fault's text.
ServerAddress ParseServerAddress(const String& text, bool allowPortZero = false);
