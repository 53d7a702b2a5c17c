#include "cconsole/cconsole.h"

namespace shiori {

CConsole::~CConsole() {
  if (m_hConsoleStdOut != nullptr) m_hConsoleStdOut->Close();
}

void CConsole::Clear(std::uint16_t wFore, std::uint16_t wBack) {
  ScreenInfo info;
  if (!m_hConsoleStdOut->GetScreenInfo(&info)) return;
  int cells = info.width * info.height;
  m_hConsoleStdOut->FillAttribute(Attribute(wFore, wBack), cells, 0, 0);
  m_hConsoleStdOut->FillCharacter(' ', cells, 0, 0);
}

void CConsole::SetColor(std::uint16_t wFore, std::uint16_t wBack) {
  m_hConsoleStdOut->SetTextAttribute(Attribute(wFore, wBack));
}

int CConsole::GetInfo(ScreenInfo* info) {
  m_hConsoleStdOut->GetScreenInfo(info);
  return info->cursor_y;
}

void CConsole::SetCursorPosition(int x, int y) { m_hConsoleStdOut->SetCursorPosition(x, y); }

}  // namespace shiori
