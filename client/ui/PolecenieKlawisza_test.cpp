// The window's keys as meanings: the keypad's keys only as Num Lock on gives them, the
// function keys, Esc, End and the shortcuts with their exact modifiers.
#include "ui/PolecenieKlawisza.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

TEST(PolecenieKlawisza, KlawiszeIIchZnaczenia) {
  constexpr Qt::KeyboardModifiers kNum = Qt::KeypadModifier;
  const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
  const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
  struct Przypadek {
    const char* nazwa;
    int klawisz;
    Qt::KeyboardModifiers modyfikatory;
    quint32 keysym;  // the native keysym X reports; 0 where the platform gives none
    std::optional<Polecenie> polecenie;
  } przypadki[] = {
      {"keypad 0", Qt::Key_0, kNum, 0xFFB0, Polecenie::Graj},
      {"keypad 1", Qt::Key_1, kNum, 0xFFB1, Polecenie::Wstecz5s},
      {"keypad 2", Qt::Key_2, kNum, 0xFFB2, std::nullopt},
      {"keypad 3, no keysym", Qt::Key_3, kNum, 0, Polecenie::Naprzod5s},
      {"keypad 4", Qt::Key_4, kNum, 0xFFB4, Polecenie::Wstecz1min},
      {"keypad 5", Qt::Key_5, kNum, 0xFFB5, std::nullopt},
      {"keypad 6", Qt::Key_6, kNum, 0xFFB6, Polecenie::Naprzod1min},
      {"keypad 7", Qt::Key_7, kNum, 0xFFB7, Polecenie::Wstecz1h},
      {"keypad 8", Qt::Key_8, kNum, 0xFFB8, std::nullopt},
      {"keypad 9", Qt::Key_9, kNum, 0xFFB9, Polecenie::Naprzod1h},
      {"keypad decimal point", Qt::Key_Period, kNum, 0xFFAE, Polecenie::Stop},
      {"keypad separator", Qt::Key_Comma, kNum, 0xFFAC, Polecenie::Stop},
      {"keypad point, no keysym", Qt::Key_Period, kNum, 0, Polecenie::Stop},
      // Num Lock off: the keypad's keys are navigation keys.
      {"keypad 3 as KP_Next", Qt::Key_3, kNum, 0xFF9B, std::nullopt},
      {"keypad point as KP_Delete", Qt::Key_Period, kNum, 0xFF9F, std::nullopt},
      {"keypad 1 as End", Qt::Key_End, kNum, 0xFF9C, Polecenie::NaZywo},
      {"keypad 6 as Right", Qt::Key_Right, kNum, 0xFF98, std::nullopt},
      // The main keyboard's digits mean nothing.
      {"main 3", Qt::Key_3, Qt::NoModifier, 0x33, std::nullopt},
      {"main point", Qt::Key_Period, Qt::NoModifier, 0x2E, std::nullopt},
      {"End", Qt::Key_End, Qt::NoModifier, 0xFF57, Polecenie::NaZywo},
      {"F4", Qt::Key_F4, Qt::NoModifier, 0, Polecenie::Graj},
      {"F5", Qt::Key_F5, Qt::NoModifier, 0, Polecenie::Ulubiona1},
      {"F6", Qt::Key_F6, Qt::NoModifier, 0, Polecenie::Ulubiona2},
      {"F7", Qt::Key_F7, Qt::NoModifier, 0, Polecenie::Ulubiona3},
      {"F8", Qt::Key_F8, Qt::NoModifier, 0, Polecenie::Ulubiona4},
      {"F9", Qt::Key_F9, Qt::NoModifier, 0, std::nullopt},
      {"Esc", Qt::Key_Escape, Qt::NoModifier, 0, Polecenie::Minimalizuj},
      {"A", Qt::Key_A, Qt::NoModifier, 0, std::nullopt},
      {"Ctrl+G", Qt::Key_G, ctrl, 0, Polecenie::PrzejdzDo},
      {"G", Qt::Key_G, Qt::NoModifier, 0, std::nullopt},
      {"Ctrl+Alt+G", Qt::Key_G, ctrl | Qt::AltModifier, 0, std::nullopt},
      {"Ctrl+Shift+C", Qt::Key_C, ctrlShift, 0, Polecenie::KopiujLink},
      {"Ctrl+C", Qt::Key_C, ctrl, 0, std::nullopt},
      {"[", Qt::Key_BracketLeft, Qt::NoModifier, 0x5B, Polecenie::Wolniej},
      {"]", Qt::Key_BracketRight, Qt::NoModifier, 0x5D, Polecenie::Szybciej},
      {"] with Shift", Qt::Key_BracketRight, Qt::ShiftModifier, 0x5D, Polecenie::Szybciej},
      {"Ctrl+[", Qt::Key_BracketLeft, ctrl, 0x5B, std::nullopt},
      {"Alt+]", Qt::Key_BracketRight, Qt::AltModifier, 0x5D, std::nullopt},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    const QKeyEvent k(QEvent::KeyPress, p.klawisz, p.modyfikatory, 0, p.keysym, 0);
    // -1 for no meaning.
    const auto numer = [](std::optional<Polecenie> o) { return o ? static_cast<int>(*o) : -1; };
    EXPECT_EQ(numer(PolecenieKlawisza(k)), numer(p.polecenie));
  }
}

}  // namespace
