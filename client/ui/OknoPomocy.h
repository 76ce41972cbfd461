#pragma once
// F1: a short help window listing every key and mouse gesture of the main window. It
// does not block the main window; a second F1 brings the same one to the front.
// GUI thread only.
#include <QDialog>

class OknoPomocy : public QDialog {
 public:
  explicit OknoPomocy(QWidget* rodzic);
  // The help's text, one "what: how" line per gesture (for tests and the window).
  static QString Tekst();
};
