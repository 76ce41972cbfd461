#include "transport/ServerAddress.h"

#include <arpa/inet.h>

#include <charconv>

#include "core/TekstUtf8.h"
#include "core/Exception.h"

namespace {

bool Blank(char c) { return static_cast<unsigned char>(c) <= 32; }

String Trimmed(const String& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && Blank(s[b])) ++b;
  while (e > b && Blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

AddressFault ReadPort(const String& text, bool allowPortZero, int& port) {
  if (text.empty()) return AddressFault::EmptyPort;
  for (char c : text) {
    if (c < '0' || c > '9') return AddressFault::BadPort;
  }
  int value = 0;
  const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || stop != text.data() + text.size() || value > 65535 ||
      (value == 0 && !allowPortZero))
    return AddressFault::PortOutOfRange;
  port = value;
  return AddressFault::None;
}

// Letters of other scripts (an internationalised name, "serwer.łódź.pl") are left to the
// name resolver; the name must then be valid UTF-8.
bool NameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool Name(const String& s) {
  if (s.empty() || !PoprawneUtf8(s)) return false;
  for (char c : s) {
    if (!NameCharacter(c)) return false;
  }
  return true;
}

// A well-formed IPv6 address, with a zone after "%" when there is one.
bool Ipv6(const String& host) {
  const size_t percent = host.find('%');
  if (percent != String::npos && !Name(host.substr(percent + 1))) return false;
  // The system's reader stops at a NUL byte: the rest would be taken along unread.
  if (host.substr(0, percent).find('\0') != String::npos) return false;
  in6_addr a{};
  return inet_pton(AF_INET6, host.substr(0, percent).c_str(), &a) == 1;
}

}  // namespace

String ServerAddress::Text() const {
  const String shown = host.find(':') != String::npos ? "[" + host + "]" : host;
  return shown + ":" + std::to_string(port);
}

AddressReading ReadServerAddress(const String& tekst, bool allowPortZero) {
  AddressReading r;
  const String text = Trimmed(tekst);
  if (text.empty()) {
    r.fault = AddressFault::Empty;
    return r;
  }
  bool hasPort = false;
  bool ipv6 = false;
  if (text[0] == '[') {
    ipv6 = true;
    const size_t bracket = text.find(']');
    if (bracket == String::npos) {
      r.fault = AddressFault::UnclosedBracket;
      return r;
    }
    r.address.host = text.substr(1, bracket - 1);
    if (bracket + 1 < text.size()) {
      if (text[bracket + 1] != ':') {
        r.fault = AddressFault::AfterBracket;
        r.portText = text.substr(bracket + 1);
        return r;
      }
      hasPort = true;
      r.portText = text.substr(bracket + 2);
    }
  } else if (const size_t colon = text.find(':'); colon != String::npos && colon == text.rfind(':')) {
    r.address.host = text.substr(0, colon);
    hasPort = true;
    r.portText = text.substr(colon + 1);
  } else {
    // No colon: a host alone. More than one: a bare IPv6 address, on the default port.
    r.address.host = text;
    ipv6 = text.find(':') != String::npos;
  }
  if (r.address.host.empty()) {
    r.fault = AddressFault::NoHost;
    return r;
  }
  const bool bad = ipv6 ? !Ipv6(r.address.host) : !Name(r.address.host);
  if (bad) {
    // A blank or a bracket is out of place anywhere; else what the host was meant to be.
    bool misplaced = false;
    for (char c : r.address.host) misplaced = misplaced || Blank(c) || c == '[' || c == ']';
    r.fault = ipv6 && !misplaced ? AddressFault::BadIpv6 : AddressFault::BadHost;
    return r;
  }
  if (hasPort) {
    r.fault = ReadPort(r.portText, allowPortZero, r.address.port);
    r.address.portGiven = r.fault == AddressFault::None;
  }
  return r;
}

String AddressFaultText(AddressFault fault) {
  switch (fault) {
    case AddressFault::None: return {};
    case AddressFault::Empty: return "pusty adres";
    case AddressFault::NoHost: return "brak nazwy hosta";
    case AddressFault::BadHost: return "niedozwolony znak w nazwie hosta (litery, cyfry, -, . i _)";
    case AddressFault::BadIpv6: return "to nie jest poprawny adres IPv6 (z portem: [ADRES]:PORT)";
    case AddressFault::UnclosedBracket: return "brak nawiasu zamykającego adres IPv6";
    case AddressFault::AfterBracket: return "po adresie IPv6 w nawiasach może być tylko :PORT";
    case AddressFault::EmptyPort: return "brak portu po dwukropku";
    case AddressFault::BadPort: return "port nie jest liczbą";
    case AddressFault::PortOutOfRange: return "port spoza zakresu 1-65535";
  }
  return {};
}

ServerAddress ParseServerAddress(const String& text, bool allowPortZero) {
  const AddressReading r = ReadServerAddress(text, allowPortZero);
  if (r.fault != AddressFault::None) {
    String why = AddressFaultText(r.fault);
    if (r.fault == AddressFault::PortOutOfRange && allowPortZero) why = "port spoza zakresu 0-65535";
    KG_ERROR("zły adres serwera " + Cytat(text) + ": " + why);
  }
  return r.address;
}
