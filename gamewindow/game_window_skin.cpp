// The game window's skin set-up and its title item.
#include "gamewindow/game_window.h"
#include "config/settings.h"

void GameWindow::init_Skin() {
  sSkinProvider1->Attach(Handle());
  sSkinManager1->SetActive(false);
  sSkinManager1->SetSkinDirectory(g_sPath + L"\\Skins");
  if (!g_SkinName.empty()) {
    sSkinManager1->SetSkinName(g_SkinName);
    sSkinManager1->SetActive(true);
  }
}

void GameWindow::SetMyTitle(const std::wstring& title) { sTitleBar1->Items(1).SetCaption(title); }
