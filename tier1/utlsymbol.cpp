#include "tier1/utlsymbol.h"

#include <cstring>
#include <new>

#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier0/memalloc.h"
#include "tier0/validator.h"

namespace {

// A string's start inside its pool must stay below this.
constexpr size_t kMaxPoolOffset = 0xFFFF;

// ASCII case-insensitive order; bytes are folded only where they differ, which keeps the common
// case (equal prefixes) at the speed of a plain comparison.
int CompareIgnoringCase(const char *a, const char *b) {
  for (;; ++a, ++b) {
    auto ca = static_cast<unsigned char>(*a);
    auto cb = static_cast<unsigned char>(*b);
    if (ca != cb) {
      ca = static_cast<unsigned char>(V_tolower(static_cast<char>(ca)));
      cb = static_cast<unsigned char>(V_tolower(static_cast<char>(cb)));
      if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (ca == 0) return 0;
  }
}

// Created on first use; destroyed at exit so that leak checks stay clean.
CUtlSymbolTableMT &ProcessTable() {
  static CUtlSymbolTableMT table(false);
  return table;
}

}  // namespace

// --- CUtlSymbol

CUtlSymbol::CUtlSymbol(const char *text) : m_Id(ProcessTable().AddString(text).Id()) {}

const char *CUtlSymbol::String() const { return ProcessTable().String(*this); }

bool CUtlSymbol::operator==(const char *text) const {
  if (!text) return false;
  return strcmp(String(), text) == 0;
}

CUtlSymbol CUtlSymbol::Find(const char *text) { return ProcessTable().Find(text); }

void CUtlSymbol::ValidateGlobals(CValidator &validator) {
  ProcessTable().Validate(validator, "CUtlSymbol::ValidateGlobals");
}

// --- CUtlSymbolTable

bool CUtlSymbolTable::TextLess::operator()(UtlSymId_t a, UtlSymId_t b) const {
  return table->Compare(table->TextOf(a), table->TextOf(b)) < 0;
}

bool CUtlSymbolTable::TextLess::operator()(UtlSymId_t a, const char *b) const {
  return table->Compare(table->TextOf(a), b) < 0;
}

bool CUtlSymbolTable::TextLess::operator()(const char *a, UtlSymId_t b) const {
  return table->Compare(a, table->TextOf(b)) < 0;
}

CUtlSymbolTable::CUtlSymbolTable(bool caseInsensitive)
    : m_bCaseInsensitive(caseInsensitive), m_Tree(TextLess{this}) {}

CUtlSymbolTable::~CUtlSymbolTable() { RemoveAll(); }

CUtlSymbol CUtlSymbolTable::AddString(const char *text) {
  if (!text) return CUtlSymbol();
  const auto found = m_Tree.find(text);
  if (found != m_Tree.end()) return CUtlSymbol(*found);
  if (m_Entries.size() >= kMaxSymbols) {
    AssertMsg(false, "CUtlSymbolTable: no symbol left for \"%.64s\"", text);
    return CUtlSymbol();
  }
  const Entry entry = StoreText(text, strlen(text) + 1);
  const auto id = static_cast<UtlSymId_t>(m_Entries.size());
  m_Entries.push_back(entry);
  m_Tree.insert(id);
  return CUtlSymbol(id);
}

CUtlSymbol CUtlSymbolTable::Find(const char *text) const {
  if (!text) return CUtlSymbol();
  const auto found = m_Tree.find(text);
  return found != m_Tree.end() ? CUtlSymbol(*found) : CUtlSymbol();
}

const char *CUtlSymbolTable::String(CUtlSymbol symbol) const {
  if (!symbol.IsValid() || symbol.Id() >= m_Entries.size()) return "";
  return TextOf(symbol.Id());
}

void CUtlSymbolTable::RemoveAll() {
  m_Tree.clear();
  m_Entries.clear();
  for (const Pool &pool : m_Pools) g_pMemAllocPlexa->Free(pool.pText);
  m_Pools.clear();
}

void CUtlSymbolTable::Validate(CValidator &validator, const char *name) const {
  validator.Push("CUtlSymbolTable", this, name);
  for (const Pool &pool : m_Pools) validator.ClaimMemory(pool.pText);
  if (!m_Pools.empty()) validator.ClaimArrayMemory(m_Pools.data());
  if (!m_Entries.empty()) validator.ClaimArrayMemory(m_Entries.data());
  validator.Pop();
}

const char *CUtlSymbolTable::TextOf(UtlSymId_t id) const {
  const Entry &entry = m_Entries[id];
  return m_Pools[entry.pool].pText + entry.offset;
}

int CUtlSymbolTable::Compare(const char *a, const char *b) const {
  return m_bCaseInsensitive ? CompareIgnoringCase(a, b) : strcmp(a, b);
}

CUtlSymbolTable::Entry CUtlSymbolTable::StoreText(const char *text, size_t bytes) {
  size_t index = 0;
  while (index < m_Pools.size() &&
         (m_Pools[index].used >= kMaxPoolOffset || m_Pools[index].size - m_Pools[index].used < bytes))
    ++index;
  if (index == m_Pools.size()) {
    // A string longer than a standard pool gets a pool of its own size.
    const size_t size = bytes > kMinPoolSize ? bytes : kMinPoolSize;
    auto *memory = static_cast<char *>(g_pMemAllocPlexa->Alloc(size));
    if (!memory) throw std::bad_alloc();
    m_Pools.push_back(Pool{memory, size, 0});
  }
  Pool &pool = m_Pools[index];
  memcpy(pool.pText + pool.used, text, bytes);
  const Entry entry{static_cast<uint16>(index), static_cast<uint16>(pool.used)};
  pool.used += bytes;
  return entry;
}

// --- CUtlSymbolTableMT

CUtlSymbol CUtlSymbolTableMT::AddString(const char *text) {
  AUTO_LOCK(m_Mutex);
  return m_Table.AddString(text);
}

CUtlSymbol CUtlSymbolTableMT::Find(const char *text) {
  AUTO_LOCK(m_Mutex);
  return m_Table.Find(text);
}

const char *CUtlSymbolTableMT::String(CUtlSymbol symbol) {
  AUTO_LOCK(m_Mutex);
  return m_Table.String(symbol);
}

size_t CUtlSymbolTableMT::GetNumStrings() {
  AUTO_LOCK(m_Mutex);
  return m_Table.GetNumStrings();
}

void CUtlSymbolTableMT::RemoveAll() {
  AUTO_LOCK(m_Mutex);
  m_Table.RemoveAll();
}

void CUtlSymbolTableMT::Validate(CValidator &validator, const char *name) {
  AUTO_LOCK(m_Mutex);
  m_Table.Validate(validator, name);
}
