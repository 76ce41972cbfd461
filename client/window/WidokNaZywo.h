#pragma once
// The live indicator, as the live edge (KrawedzNaZywo) sets it. Window (GUI) thread only;
// the call returns without waiting.
class WidokNaZywo {
 public:
  // The live indicator ("Na żywo") beside the status line's message, shown or hidden.
  virtual void UstawNaZywo(bool widoczny) = 0;
  virtual ~WidokNaZywo() = default;
};
