#include "support/browser_fixture.h"

#include <filesystem>

#include "serverbrowser/BaseGamesPage.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/ModList.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "tier1/KeyValues.h"

BrowserTest::BrowserTest() {
  const char *source = getenv("SB_SOURCE_DIR");
  const std::filesystem::path shipped = std::filesystem::path(source ? source : ".") / "game" / "servers";
  std::filesystem::create_directories(m_Dir.File("servers"));
  if (std::filesystem::exists(shipped)) {
    for (const auto &entry : std::filesystem::directory_iterator(shipped)) {
      if (entry.path().extension() == ".res")
        std::filesystem::copy_file(entry.path(), m_Dir.File("servers/" + entry.path().filename().string()));
    }
  }
  const std::pair<const char *, const char16_t *> tokens[] = {
      {"#ServerBrowser_All", u"All"},
      {"#ServerBrowser_Servers", u"Servers"},
      {"#ServerBrowser_ServersCount", u"Servers (%s1)"},
      {"#ServerBrowser_NotResponding", u"< no response >"},
      {"#ServerBrowser_PendingPing", u"< pending >"},
      {"#ServerBrowser_LessThan50", u"< 50"},
      {"#ServerBrowser_LessThan100", u"< 100"},
      {"#ServerBrowser_LessThan150", u"< 150"},
      {"#ServerBrowser_LessThan250", u"< 250"},
      {"#ServerBrowser_LessThan350", u"< 350"},
      {"#ServerBrowser_LessThan600", u"< 600"},
      {"#ServerBrowser_FilterDescNotEmpty", u"Has players"},
      {"#ServerBrowser_FilterDescNotFull", u"Not full"},
      {"#ServerBrowser_FilterDescNoPassword", u"No password"},
      {"#ServerBrowser_FilterDescSecureOnly", u"Protected"},
      {"#ServerBrowser_FilterDescInsecureOnly", u"Unprotected"},
      {"#ServerBrowser_FilterDescLatency", u"Latency"},
  };
  for (const auto &[name, text] : tokens) Runtime().AddToken(name, text);
  m_Services.m_ConfigFolder = m_Dir.File("user");
  std::filesystem::create_directories(m_Services.m_ConfigFolder);
  m_Services.Bind();
}

BrowserTest::~BrowserTest() {
  DeleteMainWindow();
  ModList_Reset();
  m_Services.Unbind();
}

CServerBrowserDialog *BrowserTest::MakeMainWindow() {
  if (!m_pMainWindow) {
    m_pMainWindow = new CServerBrowserDialog(nullptr);
    m_pMainWindow->SetVisible(false);
  }
  return m_pMainWindow;
}

void BrowserTest::DeleteMainWindow() {
  if (!m_pMainWindow) return;
  delete m_pMainWindow;
  m_pMainWindow = nullptr;
  Runtime().RunFrame();
}

void BrowserTest::RunFrames(double seconds) {
  Runtime().RunFrame();
  for (double elapsed = 0.0; elapsed < seconds; elapsed += 1.0 / 60.0) Advance(1.0 / 60.0);
}

std::vector<std::string> BrowserTest::ShownNames(CBaseGamesPage *page) {
  std::vector<std::string> names;
  CGameListPanel *list = page->GetGameList();
  for (int row = 0; row < list->GetVisibleItemCount(); ++row)
    names.emplace_back(list->GetItemData(list->GetItemIDAtRow(row))->GetString("name"));
  return names;
}
