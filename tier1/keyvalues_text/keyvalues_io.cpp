// The text-form members of KeyValues: parsing from a buffer or file, writing to a buffer or file.
#include <cstring>

#include "common/filesystem_helpers.h"
#include "filesystem.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"
#include "tier1/keyvalues_text/keyvalues_writer.h"
#include "tier1/utlbuffer.h"

namespace {
constexpr int kSaveBufferInitialSize = 1024;
}

bool KeyValues::LoadFromBuffer(const char *resourceName, CUtlBuffer &buf, std::string *errors) {
  Assert(buf.GetFlags() & CUtlBuffer::TEXT_BUFFER);
  KeyValuesParseReport report;
  CKeyValuesReader reader(resourceName, buf, report);
  const bool ok = reader.Load(this);
  if (errors) *errors = report.errors;
  return ok;
}

bool KeyValues::LoadFromBuffer(const char *resourceName, const char *text, std::string *errors) {
  if (!text) return false;
  const size_t length = strlen(text);
  if (length > static_cast<size_t>(INT32_MAX)) return false;
  CUtlBuffer buf(text, static_cast<int>(length), CUtlBuffer::READ_ONLY | CUtlBuffer::TEXT_BUFFER);
  return LoadFromBuffer(resourceName, buf, errors);
}

bool KeyValues::LoadFromFile(IFileSystem *filesystem, const char *path, const char *pathID,
                             std::string *errors) {
  AssertMsg(
      GetType() == TYPE_NONE && !m_Value0.pSub,
      "You should clear the KeyValues instance before calling this function or call MergeFromFile instead.");
  Assert(filesystem);
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  if (!LoadFileIntoBuffer(filesystem, path, buf, true, pathID)) return false;
  return LoadFromBuffer(path, buf, errors);
}

bool LoadKeyValuesWithPlaces(KeyValues *root, const char *resourceName, CUtlBuffer &buf,
                             std::string *errors) {
  if (!root) return false;
  KeyValuesParseReport report;
  const bool ok = CKeyValuesReader(resourceName, buf, report).Load(root);
  if (errors) *errors = KeyValuesErrorsWithPlaces(report);
  return ok;
}

bool LoadKeyValuesWithPlaces(KeyValues *root, const char *resourceName, const char *text,
                             std::string *errors) {
  if (!text) return false;
  const size_t length = strlen(text);
  if (length > static_cast<size_t>(INT32_MAX)) return false;
  CUtlBuffer buf(text, static_cast<int>(length), CUtlBuffer::READ_ONLY | CUtlBuffer::TEXT_BUFFER);
  return LoadKeyValuesWithPlaces(root, resourceName, buf, errors);
}

bool LoadKeyValuesFileWithPlaces(KeyValues *root, IFileSystem *fileSystem, const char *path,
                                 const char *pathID, std::string *errors) {
  Assert(fileSystem);
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  if (!root || !LoadFileIntoBuffer(fileSystem, path, buf, true, pathID)) return false;
  return LoadKeyValuesWithPlaces(root, path, buf, errors);
}

void KeyValues::RecursiveSaveToFile(CUtlBuffer &buf, int indentLevel, int flags) {
  CKeyValuesWriter(buf, flags).Write(this, indentLevel);
}

bool KeyValues::SaveToFile(IFileSystem *fileSystem, const char *path, const char *pathID, bool writePeers,
                           int flags) {
  CUtlBuffer buf(0, kSaveBufferInitialSize, CUtlBuffer::TEXT_BUFFER);
  CKeyValuesWriter writer(buf, flags);
  writer.Write(this, 0);
  if (writePeers) {
    for (const KeyValues *peer = GetNextKey(); peer; peer = peer->GetNextKey()) writer.Write(peer, 0);
  }
  return SaveBufferToFile(fileSystem, path, buf, pathID);
}
