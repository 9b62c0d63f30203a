// Every favourite the services store, whatever application or filter a page shows: fetched with a
// favourites request of its own (application 0, no filters) and handed over once it is done.
// Importing compares against it, so that no stored favourite is changed; exporting writes it out.
#pragma once

#include <functional>
#include <vector>

#include "plexa/matchmakingresponses.h"
#include "serverbrowser/FavoritesTransfer.h"

class CFavoritesSnapshot final : public IPlexaMatchmakingServerListResponse {
 public:
  using DoneFn = std::function<void(const std::vector<FavoriteAddress> &)>;

  // `done` is called once, when the services end the request (never after destruction).
  explicit CFavoritesSnapshot(DoneFn done) : m_Done(std::move(done)) {}
  // Frees a request that has not ended.
  ~CFavoritesSnapshot();
  CFavoritesSnapshot(const CFavoritesSnapshot &) = delete;
  CFavoritesSnapshot &operator=(const CFavoritesSnapshot &) = delete;

  // Asks the services; false (and `done` is not called) without them.
  bool Start();
  bool IsRunning() const { return m_hRequest != nullptr; }

  // ---- IPlexaMatchmakingServerListResponse: answered and silent servers alike are stored ones
  void OnServerAnswered(ListRequestHandle request, int index) override { Take(request, index); }
  void OnServerSilent(ListRequestHandle request, int index) override { Take(request, index); }
  void OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) override;

 private:
  void Take(ListRequestHandle request, int index);
  void Free();

  DoneFn m_Done;
  ListRequestHandle m_hRequest = nullptr;
  std::vector<FavoriteAddress> m_Servers;
};
