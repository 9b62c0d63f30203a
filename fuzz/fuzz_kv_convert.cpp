// Typed values of key/value nodes across every type: a value of one type (taken from the input) is
// read back through every getter, converted in place by the text getters, copied and written out.
// A value read as its own type is the value set; integer text written by the text getters reads
// back as the same number; a well-formed text survives the trip through UTF-16; a copy equals its
// source.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kstdlib/strtools.h"
#include "support/fuzz_support.h"
#include "tier1/KeyValues.h"
#include "tier1/utlbuffer.h"

namespace {

template <typename T>
T Take(const uint8_t *data, size_t size) {
  T value{};
  memcpy(&value, data, std::min(size, sizeof(T)));
  return value;
}

bool IsWellFormedUtf8(const char *text) {
  const size_t length = strlen(text);
  std::u16string wide(length + 1, u'\0');
  const int units = V_UTF8ToUTF16(text, wide.data(), static_cast<int>(wide.size() * 2));
  wide.resize(static_cast<size_t>(units) - 1);
  std::string back(wide.size() * 3 + 1, '\0');
  const int bytes = V_UTF16ToUTF8(wide.c_str(), back.data(), static_cast<int>(back.size()));
  back.resize(static_cast<size_t>(bytes) - 1);
  return back == text;
}

// Every getter on the node, with and without a status; nothing may crash, whatever they answer.
void ReadEveryWay(KeyValues *parent) {
  KeyValues::ConversionStatus status = KeyValues::Success;
  (void)parent->GetInt("v", 3, &status);
  (void)parent->GetInt("v", 3);
  (void)parent->GetUint64("v", 4, &status);
  (void)parent->GetFloat("v", 5.0f, &status);
  (void)parent->GetBool("v", true, &status);
  (void)parent->GetColor("v", Color(1, 2, 3, 4));
  (void)parent->GetPtr("v", nullptr);
  (void)parent->GetDataType("v");
  (void)parent->IsEmpty("v");
  (void)parent->GetInt("missing", 9, &status);
  if (status != KeyValues::KeyMissing) abort();
}

void CheckCopyAndText(KeyValues *parent) {
  KeyValuesAD copy(parent->MakeCopy());
  KeyValues *mine = parent->FindKey("v");
  KeyValues *theirs = copy->FindKey("v");
  if (!mine || !theirs) abort();
  const auto type = mine->GetDataType();
  if (theirs->GetDataType() != type) abort();
  // Colours and blobs have no comparison; floats compare as numbers (NaN is never equal).
  if (type != KeyValues::TYPE_COLOR && type != KeyValues::TYPE_BINARY_BLOB && type != KeyValues::TYPE_FLOAT &&
      !mine->IsEqual(theirs))
    abort();
  CUtlBuffer text(0, 0, CUtlBuffer::TEXT_BUFFER);
  parent->RecursiveSaveToFile(text, 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzsupport::SilenceReports();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  const uint8_t kind = data[0];
  ++data, --size;
  KeyValuesAD parent(new KeyValues("values"));
  KeyValues::ConversionStatus status = KeyValues::Success;
  switch (kind % 9) {
    case 0: {
      const int value = Take<int>(data, size);
      parent->SetInt("v", value);
      if (parent->GetInt("v", 0, &status) != value || status != KeyValues::Success) abort();
      // In place to text and back.
      if (KeyValues::GetIntFromString(parent->GetString("v"), 0, &status) != value) abort();
      if (parent->GetDataType("v") != KeyValues::TYPE_STRING) abort();
      if (parent->GetInt("v", 0, &status) != value || status != KeyValues::Success) abort();
      break;
    }
    case 1: {
      const uint64 value = Take<uint64>(data, size);
      parent->SetUint64("v", value);
      if (parent->GetUint64("v", 0, &status) != value || status != KeyValues::Success) abort();
      if (parent->GetUint64("v", 0, &status) != value) abort();
      (void)parent->GetWString("v");
      if (parent->GetUint64("v", 0, &status) != value || status != KeyValues::Success) abort();
      if (std::string(parent->GetString("v")) != std::to_string(value)) abort();
      if (parent->GetUint64("v", 0, &status) != value || status != KeyValues::Success) abort();
      break;
    }
    case 2: {
      const int64 value = Take<int64>(data, size);
      parent->SetInt64("v", value);
      if (std::string(parent->GetString("v")) != std::to_string(value)) abort();
      if (parent->GetUint64("v", 0, &status) != static_cast<uint64>(value)) abort();
      break;
    }
    case 3: {
      const float value = Take<float>(data, size);
      parent->SetFloat("v", value);
      const float back = parent->GetFloat("v", 0.0f, &status);
      if (memcmp(&back, &value, sizeof(value)) != 0 && !(std::isnan(back) && std::isnan(value))) abort();
      // Integers of floats: in range they truncate; out of range the default is given.
      const int asInt = parent->GetInt("v", 77, &status);
      const bool inRange = value >= -2147483648.0f && value < 2147483648.0f;  // false for NaN
      if (inRange ? asInt != static_cast<int>(value) : asInt != 77) abort();
      break;
    }
    case 4: {
      const auto bytes = Take<uint32>(data, size);
      const Color value(bytes & 0xFF, (bytes >> 8) & 0xFF, (bytes >> 16) & 0xFF, bytes >> 24);
      parent->SetColor("v", value);
      if (!(parent->GetColor("v", Color(9, 9, 9, 9)) == value)) abort();
      break;
    }
    case 5: {
      const std::string text = fuzzsupport::AsText(data, size);
      parent->SetString("v", text.c_str());
      const std::string stored = parent->GetString("v");
      if (stored != text.c_str()) abort();
      // Through UTF-16 and back: well-formed text is kept exactly.
      (void)parent->GetWString("v");
      const std::string back = parent->GetString("v");
      if (IsWellFormedUtf8(stored.c_str()) && back != stored) abort();
      break;
    }
    case 6: {
      std::u16string wide(size / 2, u'\0');
      memcpy(wide.data(), data, wide.size() * 2);
      wide.resize(std::char_traits<char16_t>::length(wide.c_str()));
      parent->SetWString("v", wide.c_str());
      if (std::u16string(parent->GetWString("v")) != wide) abort();
      (void)parent->GetString("v");
      break;
    }
    case 7: {
      parent->SetBinaryBlob("v", data, size);
      const std::string text = parent->GetString("v");
      if (text != fuzzsupport::AsText(data, size).c_str()) abort();
      break;
    }
    default: {
      void *value = Take<void *>(data, size);
      parent->SetPtr("v", value);
      if (parent->GetPtr("v", nullptr) != value) abort();
      if (parent->GetBool("v", false, &status) != (value != nullptr)) abort();
      break;
    }
  }
  CheckCopyAndText(parent.get());
  ReadEveryWay(parent.get());
  // The getters may have converted the node in place; a second round reads whatever it became.
  (void)parent->GetString("v");
  (void)parent->GetWString("v");
  CheckCopyAndText(parent.get());
  ReadEveryWay(parent.get());
  return 0;
}
