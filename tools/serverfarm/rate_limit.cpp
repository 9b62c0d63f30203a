#include "tools/serverfarm/rate_limit.h"

#include <algorithm>

void CTokenBucket::Refill(int64_t nowMs, const RateLimit &limit) {
  if (!m_bStarted) {
    m_bStarted = true;
    m_nTokens = limit.m_nBurst;
    m_nLastMs = nowMs;
    return;
  }
  if (nowMs <= m_nLastMs) return;  // a clock step back gives nothing
  const int64_t period = std::max<int64_t>(limit.m_nPeriodMs, 1);
  const int64_t earned = (nowMs - m_nLastMs) / period;
  if (m_nTokens + earned >= limit.m_nBurst) {
    m_nTokens = limit.m_nBurst;
    m_nLastMs = nowMs;
  } else {
    m_nTokens += static_cast<int>(earned);
    m_nLastMs += earned * period;
  }
}

bool CTokenBucket::Take(int64_t nowMs, const RateLimit &limit) {
  if (limit.IsLifted()) return true;
  Refill(nowMs, limit);
  if (m_nTokens <= 0) return false;
  --m_nTokens;
  return true;
}

bool CTokenBucket::IsFull(int64_t nowMs, const RateLimit &limit) const {
  if (!m_bStarted) return true;
  const int64_t period = std::max<int64_t>(limit.m_nPeriodMs, 1);
  return nowMs >= m_nLastMs && m_nTokens + (nowMs - m_nLastMs) / period >= limit.m_nBurst;
}

bool CSourceLimiter::Take(uint64_t source, int64_t nowMs) {
  if (m_Limit.IsLifted()) return true;
  auto found = m_Buckets.find(source);
  if (found == m_Buckets.end()) {
    // At most ten sweeps a second: a flood of new sources must not buy a sweep each.
    if (m_Buckets.size() >= m_nPruneAbove && (nowMs - m_nLastPruneMs >= 100 || nowMs < m_nLastPruneMs)) {
      m_nLastPruneMs = nowMs;
      std::erase_if(m_Buckets, [&](const auto &entry) { return entry.second.IsFull(nowMs, m_Limit); });
    }
    // Every known source still spent: a flood from many sources; new ones wait rather than grow
    // the table without bound.
    if (m_Buckets.size() >= m_nPruneAbove) return false;
    found = m_Buckets.emplace(source, CTokenBucket()).first;
  }
  return found->second.Take(nowMs, m_Limit);
}

bool CSendBudget::Take(int64_t nowMs, int64_t datagrams, int64_t bytes) {
  if (!m_bStarted || nowMs - m_nWindowStartMs >= 1000 || nowMs < m_nWindowStartMs) {
    m_bStarted = true;
    m_nWindowStartMs = nowMs;
    m_nDatagrams = 0;
    m_nBytes = 0;
  }
  if ((m_nMaxDatagrams > 0 && m_nDatagrams + datagrams > m_nMaxDatagrams) ||
      (m_nMaxBytes > 0 && m_nBytes + bytes > m_nMaxBytes))
    return false;
  m_nDatagrams += datagrams;
  m_nBytes += bytes;
  return true;
}
