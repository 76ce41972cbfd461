#pragma once
// The text prompt: a small modal tool window that asks for one line of text under a
// title the caller gives, starting from a text to edit. Created once and reused. OK is
// the default button (Enter confirms); "Anuluj", Esc and the close box cancel. Window
// thread only.
#include <QDialog>

#include "core/String.h"

class QLineEdit;
class QPushButton;

class TEditString : public QDialog {
 public:
  explicit TEditString(QWidget* owner = nullptr);
  // Shows the prompt modally, centred over its owner, with the caption `tytul` and the
  // text `tekst`. True and the edited text in `tekst` when confirmed; false and `tekst`
  // unchanged otherwise.
  bool Zapytaj(String& tekst, const String& tytul);

  QLineEdit* Edit1;
  QPushButton* Button1;  // "OK"
  QPushButton* Button2;  // "Anuluj"
};
