// Limits on what a server or master answers: every answer is bigger than its request and UDP
// sources can be forged, so answers are rationed per source and in all.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <unordered_map>

// `burst` at once, then one more every `periodMs`; a burst of 0 or less lifts the limit.
struct RateLimit {
  int m_nBurst = 10;
  int64_t m_nPeriodMs = 1000;
  bool IsLifted() const { return m_nBurst <= 0; }
};

class CTokenBucket {
 public:
  // Takes one token at `nowMs` (milliseconds on a monotonic clock); false when none is left.
  bool Take(int64_t nowMs, const RateLimit &limit);
  // Whether the bucket is full again at `nowMs`, so forgetting it changes nothing.
  bool IsFull(int64_t nowMs, const RateLimit &limit) const;

 private:
  void Refill(int64_t nowMs, const RateLimit &limit);

  bool m_bStarted = false;
  int m_nTokens = 0;
  int64_t m_nLastMs = 0;
};

// One bucket per source (an address, or a network for IPv6). Buckets full again are forgotten when
// the table reaches its bound; past that, new sources are refused until some are.
class CSourceLimiter {
 public:
  explicit CSourceLimiter(RateLimit limit, size_t pruneAbove = 4096)
      : m_Limit(limit), m_nPruneAbove(pruneAbove) {}
  bool Take(uint64_t source, int64_t nowMs);
  size_t Size() const { return m_Buckets.size(); }
  const RateLimit &Limit() const { return m_Limit; }

 private:
  RateLimit m_Limit;
  size_t m_nPruneAbove;
  int64_t m_nLastPruneMs = INT64_MIN / 2;
  std::unordered_map<uint64_t, CTokenBucket> m_Buckets;
};

// A cap on datagrams and bytes sent per second, over all destinations; 0 lifts either.
class CSendBudget {
 public:
  CSendBudget(int64_t datagramsPerSecond, int64_t bytesPerSecond)
      : m_nMaxDatagrams(datagramsPerSecond), m_nMaxBytes(bytesPerSecond) {}
  // Counts `datagrams` datagrams of `bytes` in all when they fit this second's budget.
  bool Take(int64_t nowMs, int64_t datagrams, int64_t bytes);

 private:
  int64_t m_nMaxDatagrams;
  int64_t m_nMaxBytes;
  bool m_bStarted = false;
  int64_t m_nWindowStartMs = 0;
  int64_t m_nDatagrams = 0;
  int64_t m_nBytes = 0;
};
