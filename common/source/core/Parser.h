#pragma once
// Cuts a line of text into tokens: commands of the command channel, server addresses
// ("host:port"), station targets ("station@host:port"), ini values, format descriptions.
// Reading a token removes it from the front of the remaining text.
// One thread at a time.
#include "core/String.h"

class Parser {
 public:
  // The remaining text is `s`, unchanged: nothing is trimmed yet.
  explicit Parser(String s);

  // The next token delimited by `c`: skips leading characters equal to `c` (only those),
  // takes everything up to the next `c` or the end, and leaves the rest starting at that
  // delimiter with blanks trimmed from both of its ends. A blank is any byte 0..32
  // (space, tab, CR, LF, other controls); the bytes of UTF-8 letters are never blanks.
  // So "host:12540" gives "host" and leaves ":12540", whose ":" the next Getto(':')
  // skips. An exhausted parser returns empty tokens for ever.
  String Getto(char c);
  // Getto(' ').
  String Getword();
  // i = Getword(); returns the parser, so that reads chain.
  Parser& operator>>(String& i);
  // The whole remaining text, unchanged; the parser is empty afterwards.
  String GetRest();

 private:
  String s_;
};
