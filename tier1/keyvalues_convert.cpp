// KeyValues: the typed readers and the text conversions behind them.
//
// Floats reach integers only through a range-checked 64-bit value: NaN and values outside the
// 64-bit range never convert. Integer readers of a float outside 32 bits report the loss and
// answer their default, like the 64-bit types; colour reads take the low 8 bits of the 64-bit
// value and keep the default component when there is none.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace {

constexpr char kFloatRangeLoss[] = "can't convert float to int32 (out of range)";

// Truncates toward zero; false for NaN and values outside the signed 64-bit range.
bool FloatToInt64(float value, int64 *out) {
  if (!(value >= -0x1p63f && value < 0x1p63f)) return false;
  *out = static_cast<int64>(value);
  return true;
}

bool FloatToInt32(float value, int32 *out) {
  int64 wide = 0;
  if (!FloatToInt64(value, &wide) || wide < std::numeric_limits<int32>::min() ||
      wide > std::numeric_limits<int32>::max())
    return false;
  *out = static_cast<int32>(wide);
  return true;
}

// Low 8 bits of the truncated value; `fallback` when it does not convert.
uint8 FloatToColorByte(float value, uint8 fallback) {
  int64 wide = 0;
  return FloatToInt64(value, &wide) ? static_cast<uint8>(wide & 0xFF) : fallback;
}

// Doubles outside the float range become infinities rather than undefined results.
float DoubleToFloat(double value) {
  if (value > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
  if (value < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

// The whole text, never cut.
std::string WideToUtf8(const char16_t *text) {
  // A UTF-16 unit gives at most three UTF-8 bytes (a surrogate pair, two units, gives four).
  const size_t bytes = V_wcslen(text) * 3 + 1;
  if (bytes > static_cast<size_t>(std::numeric_limits<int>::max())) return std::string();
  std::string out(bytes, '\0');
  const int written = V_UTF16ToUTF8(text, out.data(), static_cast<int>(bytes));
  out.resize(written > 0 ? static_cast<size_t>(written - 1) : 0);
  return out;
}

// The whole text, never cut.
std::u16string Utf8ToWide(const char *text) {
  // A UTF-8 byte gives at most one UTF-16 unit.
  const size_t units = strlen(text) + 1;
  if (units > static_cast<size_t>(std::numeric_limits<int>::max()) / sizeof(char16_t)) return std::u16string();
  std::u16string out(units, u'\0');
  const int written = V_UTF8ToUTF16(text, out.data(), static_cast<int>(units * sizeof(char16_t)));
  out.resize(written > 0 ? static_cast<size_t>(written - 1) : 0);
  return out;
}

// ASCII text (numbers) to UTF-16.
std::u16string AsciiToWide(const char *text) { return std::u16string(text, text + strlen(text)); }

// A caller that passed no status still gets one, after the report.
KeyValues::ConversionStatus *StatusOrReport(KeyValues::ConversionStatus *status,
                                            KeyValues::ConversionStatus *local, const char *report) {
  if (status) return status;
  AssertMsg(false, "%s", report);
  return local;
}

bool IsBoolWord(const char *text, bool *value) {
  if (V_stricmp(text, "true") == 0) {
    *value = true;
    return true;
  }
  if (V_stricmp(text, "false") == 0) {
    *value = false;
    return true;
  }
  return false;
}

}  // namespace

// --- text conversions

int KeyValues::GetIntFromString(const char *text, int defaultValue, ConversionStatus *status) {
  ConversionStatus local = Success;
  status = StatusOrReport(status, &local, "GetIntFromString() did not get correct peCS parameter");
  *status = Success;
  if (!text || !*text) {
    *status = EmptyString;
    return defaultValue;
  }
  const char *end = text;
  const int64 value = V_StringToInt64(text, &end, nullptr);
  if (*end) *status = PartialConversion;
  // Like the C conversions, a number beyond the range reads as the nearest end of it.
  if (value < std::numeric_limits<int32>::min()) return std::numeric_limits<int32>::min();
  if (value > std::numeric_limits<int32>::max()) return std::numeric_limits<int32>::max();
  return static_cast<int>(value);
}

uint64 KeyValues::GetUint64FromString(const char *text, uint64 defaultValue, ConversionStatus *status) {
  ConversionStatus local = Success;
  status = StatusOrReport(status, &local, "GetUint64FromString() did not get correct peCS parameter");
  *status = Success;
  if (!text || !*text) {
    *status = EmptyString;
    return defaultValue;
  }
  const char *end = text;
  const uint64 value = V_StringToUint64(text, &end, nullptr);
  if (*end) *status = PartialConversion;
  return value;
}

float KeyValues::GetFloatFromString(const char *text, float defaultValue, ConversionStatus *status) {
  ConversionStatus local = Success;
  status = StatusOrReport(status, &local, "GetFloatFromString() did not get correct peCS parameter");
  *status = Success;
  if (!text || !*text) {
    *status = EmptyString;
    return defaultValue;
  }
  const char *end = text;
  const double value = V_StringToDouble(text, &end);
  if (*end) *status = PartialConversion;
  return DoubleToFloat(value);
}

// --- public readers: look the key up, then read the node

KeyValues *KeyValues::FindForReading(const char *keyName, ConversionStatus &status) {
  status = Success;
  KeyValues *node = FindKey(keyName, false);
  if (!node) status = KeyMissing;
  return node;
}

int KeyValues::GetInt(const char *keyName, int defaultValue, ConversionStatus *status) {
  ConversionStatus local = Success;
  ConversionStatus &cs = status ? *status : local;
  KeyValues *node = FindForReading(keyName, cs);
  return node ? node->IntValue(defaultValue, cs) : defaultValue;
}

uint64 KeyValues::GetUint64(const char *keyName, uint64 defaultValue, ConversionStatus *status) {
  ConversionStatus local = Success;
  ConversionStatus &cs = status ? *status : local;
  KeyValues *node = FindForReading(keyName, cs);
  return node ? node->Uint64Value(defaultValue, cs) : defaultValue;
}

float KeyValues::GetFloat(const char *keyName, float defaultValue, ConversionStatus *status) {
  ConversionStatus local = Success;
  ConversionStatus &cs = status ? *status : local;
  KeyValues *node = FindForReading(keyName, cs);
  return node ? node->FloatValue(defaultValue, cs) : defaultValue;
}

bool KeyValues::GetBool(const char *keyName, bool defaultValue, ConversionStatus *status) {
  ConversionStatus local = Success;
  ConversionStatus &cs = status ? *status : local;
  KeyValues *node = FindForReading(keyName, cs);
  return node ? node->BoolValue(defaultValue, cs) : defaultValue;
}

const char *KeyValues::GetString(const char *keyName, const char *defaultValue) {
  KeyValues *node = FindKey(keyName, false);
  return node ? node->StringValueConverting(defaultValue) : defaultValue;
}

const char16_t *KeyValues::GetWString(const char *keyName, const char16_t *defaultValue) {
  KeyValues *node = FindKey(keyName, false);
  return node ? node->WStringValueConverting(defaultValue) : defaultValue;
}

void *KeyValues::GetPtr(const char *keyName, void *defaultValue) {
  const KeyValues *node = FindKey(keyName, false);
  if (!node) return defaultValue;
  return node->GetType() == TYPE_PTR ? node->m_Value0.pValue : nullptr;
}

Color KeyValues::GetColor(const char *keyName, Color defaultColor) {
  const KeyValues *node = FindKey(keyName, false);
  return node ? node->ColorValue(defaultColor) : defaultColor;
}

// --- reading one node

uint32 KeyValues::ColorWord() const {
  const uint8 *bytes = m_Value0.color;
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32>(bytes[3]) << 24);
}

int KeyValues::IntValue(int defaultValue, ConversionStatus &status) {
  switch (GetType()) {
    case TYPE_STRING:
      return GetIntFromString(StringValue(), defaultValue, &status);
    case TYPE_BINARY_BLOB:
      return GetIntFromString(BlobText(), defaultValue, &status);
    case TYPE_WSTRING:
      return GetIntFromString(WideToUtf8(WStringValue()).c_str(), defaultValue, &status);
    case TYPE_INT:
      return m_Value0.iValue;
    case TYPE_FLOAT: {
      int32 value = 0;
      if (FloatToInt32(m_Value0.flValue, &value)) return value;
      AssertMsg(false, "%s", kFloatRangeLoss);
      return defaultValue;
    }
    case TYPE_PTR:
      // The pointer's low 32 bits, as a 32-bit platform would see them.
      return static_cast<int32>(reinterpret_cast<uintptr_t>(m_Value0.pValue));
    case TYPE_COLOR:
      return static_cast<int32>(ColorWord());
    case TYPE_UINT64:
      if (m_Value0.u64Value > std::numeric_limits<uint32>::max()) {
        AssertMsg(false, "can't convert uint64 to int32 (data loss)");
        return defaultValue;
      }
      return static_cast<int32>(static_cast<uint32>(m_Value0.u64Value));
    case TYPE_INT64:
      if (m_Value0.i64Value < std::numeric_limits<int32>::min() ||
          m_Value0.i64Value > std::numeric_limits<int32>::max()) {
        AssertMsg(false, "can't convert int64 to int32 (data loss)");
        return defaultValue;
      }
      return static_cast<int32>(m_Value0.i64Value);
    default:
      return 0;
  }
}

uint64 KeyValues::Uint64Value(uint64 defaultValue, ConversionStatus &status) {
  switch (GetType()) {
    case TYPE_STRING:
      return GetUint64FromString(StringValue(), defaultValue, &status);
    case TYPE_BINARY_BLOB:
      return GetUint64FromString(BlobText(), defaultValue, &status);
    case TYPE_WSTRING:
      return GetUint64FromString(WideToUtf8(WStringValue()).c_str(), defaultValue, &status);
    case TYPE_INT:
      return static_cast<uint64>(static_cast<int64>(m_Value0.iValue));
    case TYPE_FLOAT: {
      int32 value = 0;
      if (FloatToInt32(m_Value0.flValue, &value)) return static_cast<uint64>(static_cast<int64>(value));
      AssertMsg(false, "%s", kFloatRangeLoss);
      return defaultValue;
    }
    case TYPE_PTR:
      return static_cast<uint64>(reinterpret_cast<uintptr_t>(m_Value0.pValue));
    case TYPE_COLOR:
      return static_cast<uint64>(static_cast<int64>(static_cast<int32>(ColorWord())));
    case TYPE_UINT64:
      return m_Value0.u64Value;
    case TYPE_INT64:
      if (m_Value0.i64Value < 0) {
        AssertMsg(false, "can't convert int64 to uint64 (negative number)");
        return defaultValue;
      }
      return static_cast<uint64>(m_Value0.i64Value);
    default:
      return 0;
  }
}

float KeyValues::FloatValue(float defaultValue, ConversionStatus &status) {
  switch (GetType()) {
    case TYPE_STRING:
      return GetFloatFromString(StringValue(), defaultValue, &status);
    case TYPE_BINARY_BLOB:
      return GetFloatFromString(BlobText(), defaultValue, &status);
    case TYPE_INT:
      return static_cast<float>(m_Value0.iValue);
    case TYPE_FLOAT:
      return m_Value0.flValue;
    case TYPE_UINT64:
      return static_cast<float>(m_Value0.u64Value);
    case TYPE_INT64:
      return static_cast<float>(m_Value0.i64Value);
    default:
      // Pointers, wide strings, colours and nodes without a value read as 0.
      return 0.0f;
  }
}

bool KeyValues::BoolValue(bool defaultValue, ConversionStatus &status) {
  bool word = false;
  switch (GetType()) {
    case TYPE_STRING:
      if (IsBoolWord(StringValue(), &word)) return word;
      break;
    case TYPE_BINARY_BLOB:
      if (IsBoolWord(BlobText(), &word)) return word;
      break;
    case TYPE_WSTRING:
      if (IsBoolWord(WideToUtf8(WStringValue()).c_str(), &word)) return word;
      break;
    case TYPE_PTR:
      // Whole pointer: its low 32 bits may be zero on this platform.
      return m_Value0.pValue != nullptr;
    default:
      break;
  }
  return IntValue(defaultValue ? 1 : 0, status) != 0;
}

const char *KeyValues::StringValueConverting(const char *defaultValue) {
  char text[128];
  switch (GetType()) {
    case TYPE_STRING:
      return StringValue();
    case TYPE_BINARY_BLOB:
      return BlobText();
    case TYPE_INT:
      V_snprintf(text, sizeof(text), "%d", m_Value0.iValue);
      break;
    case TYPE_PTR:
      // The whole pointer: formatting only its low half would lose it.
      V_snprintf(text, sizeof(text), "%lld", static_cast<long long>(reinterpret_cast<intptr_t>(m_Value0.pValue)));
      break;
    case TYPE_FLOAT:
      V_snprintf(text, sizeof(text), "%f", static_cast<double>(m_Value0.flValue));
      break;
    case TYPE_UINT64:
      V_snprintf(text, sizeof(text), "%llu", static_cast<unsigned long long>(m_Value0.u64Value));
      break;
    case TYPE_INT64:
      V_snprintf(text, sizeof(text), "%lld", static_cast<long long>(m_Value0.i64Value));
      break;
    case TYPE_WSTRING: {
      const std::string utf8 = WideToUtf8(WStringValue());
      if (utf8.empty() && *WStringValue()) return defaultValue;
      StoreString(utf8.c_str());
      return StringValue();
    }
    default:
      return defaultValue;
  }
  StoreString(text);
  return StringValue();
}

const char16_t *KeyValues::WStringValueConverting(const char16_t *defaultValue) {
  char text[64];
  switch (GetType()) {
    case TYPE_WSTRING:
      return WStringValue();
    case TYPE_STRING: {
      const std::u16string wide = Utf8ToWide(StringValue());
      if (wide.empty() && *StringValue()) return defaultValue;
      StoreWString(wide.c_str());
      return WStringValue();
    }
    case TYPE_INT:
      V_snprintf(text, sizeof(text), "%d", m_Value0.iValue);
      break;
    case TYPE_PTR:
      V_snprintf(text, sizeof(text), "%lld", static_cast<long long>(reinterpret_cast<intptr_t>(m_Value0.pValue)));
      break;
    case TYPE_FLOAT:
      V_snprintf(text, sizeof(text), "%f", static_cast<double>(m_Value0.flValue));
      break;
    case TYPE_UINT64:
      V_snprintf(text, sizeof(text), "%llu", static_cast<unsigned long long>(m_Value0.u64Value));
      break;
    case TYPE_INT64:
      V_snprintf(text, sizeof(text), "%lld", static_cast<long long>(m_Value0.i64Value));
      break;
    default:
      return defaultValue;
  }
  StoreWString(AsciiToWide(text).c_str());
  return WStringValue();
}

Color KeyValues::ColorValue(Color defaultColor) const {
  Color color = defaultColor;
  switch (GetType()) {
    case TYPE_COLOR:
      for (int i = 0; i < 4; ++i) color[i] = m_Value0.color[i];
      break;
    case TYPE_FLOAT:
      color[0] = FloatToColorByte(m_Value0.flValue, color[0]);
      break;
    case TYPE_INT:
      color[0] = static_cast<uint8>(m_Value0.iValue & 0xFF);
      break;
    case TYPE_STRING: {
      // Four numbers separated by white space; a missing or unconvertible one reads as 0.
      const char *cursor = StringValue();
      for (int i = 0; i < 4; ++i) {
        const char *end = cursor;
        const float value = DoubleToFloat(V_StringToDouble(cursor, &end));
        color[i] = end != cursor ? FloatToColorByte(value, 0) : 0;
        cursor = end;
      }
      break;
    }
    default:
      break;
  }
  return color;
}
