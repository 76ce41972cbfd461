#include "ui/PolecenieKlawisza.h"

#include <QKeyEvent>

namespace {

// The keysyms of the keypad's digits and decimal point, as X reports them with Num Lock
// on; with it off the same keys report the navigation keysyms (KP_End, KP_Delete ...).
constexpr quint32 kXkKp0 = 0xFFB0;
constexpr quint32 kXkKp9 = 0xFFB9;
constexpr quint32 kXkKpDecimal = 0xFFAE;
constexpr quint32 kXkKpSeparator = 0xFFAC;

// The keypad's digits 0-9; those that mean nothing are empty.
constexpr std::optional<Polecenie> kCyfry[] = {
    Polecenie::Graj,       Polecenie::Wstecz5s, std::nullopt,          Polecenie::Naprzod5s, Polecenie::Wstecz1min,
    std::nullopt,          Polecenie::Naprzod1min, Polecenie::Wstecz1h, std::nullopt,         Polecenie::Naprzod1h,
};

}  // namespace

std::optional<Polecenie> PolecenieKlawisza(const QKeyEvent& k) {
  const Qt::KeyboardModifiers m =
      k.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
  if (k.key() == Qt::Key_G && m == Qt::ControlModifier) return Polecenie::PrzejdzDo;
  if (k.key() == Qt::Key_C && m == (Qt::ControlModifier | Qt::ShiftModifier)) return Polecenie::KopiujLink;
  const quint32 natywny = k.nativeVirtualKey();
  if (k.modifiers() & Qt::KeypadModifier) {
    // A native keysym, where the platform gives one, must be the keypad's digit or
    // decimal point: with Num Lock off the keypad's keys are navigation keys.
    const bool cyfraX = natywny >= kXkKp0 && natywny <= kXkKp9;
    const bool kropkaX = natywny == kXkKpDecimal || natywny == kXkKpSeparator;
    if (k.key() >= Qt::Key_0 && k.key() <= Qt::Key_9 && (natywny == 0 || cyfraX)) return kCyfry[k.key() - Qt::Key_0];
    if ((k.key() == Qt::Key_Period || k.key() == Qt::Key_Comma) && (natywny == 0 || kropkaX)) return Polecenie::Stop;
    // Keypad 1 with Num Lock off: End, as the main keyboard's.
    if (k.key() == Qt::Key_End) return Polecenie::NaZywo;
    return std::nullopt;
  }
  switch (k.key()) {
    case Qt::Key_End:
      return Polecenie::NaZywo;
    case Qt::Key_F4:
      return Polecenie::Graj;
    case Qt::Key_F5:
      return Polecenie::Ulubiona1;
    case Qt::Key_F6:
      return Polecenie::Ulubiona2;
    case Qt::Key_F7:
      return Polecenie::Ulubiona3;
    case Qt::Key_F8:
      return Polecenie::Ulubiona4;
    case Qt::Key_Escape:
      return Polecenie::Minimalizuj;
    // The brackets as the layout gives them (AltGr on some layouts reports no modifier);
    // with Ctrl, Alt or the logo key they are someone else's shortcut.
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight:
      if (m & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
      return k.key() == Qt::Key_BracketLeft ? Polecenie::Wolniej : Polecenie::Szybciej;
    default:
      return std::nullopt;
  }
}
