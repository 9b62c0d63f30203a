#include "host/sound_player.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "filesystem.h"
#include "tier0/dbg.h"

namespace kguihost {

namespace {

// Sounds longer than this are refused (a notification sound is a second or two).
constexpr unsigned int kMaxWavBytes = 16u << 20;

bool ReadFile(IFileSystem &fileSystem, const char *fileName, std::vector<unsigned char> &bytes) {
  FileHandle_t file = fileSystem.Open(fileName, "rb", nullptr);
  if (!file) return false;
  unsigned int size = fileSystem.Size(file);
  bool ok = size > 0 && size <= kMaxWavBytes;
  if (ok) {
    bytes.resize(size);
    ok = fileSystem.Read(bytes.data(), static_cast<int>(size), file) == static_cast<int>(size);
  }
  fileSystem.Close(file);
  return ok;
}

// The name as a log line may show it: control characters as \xNN.
std::string Printable(const std::string &text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      snprintf(escaped, sizeof(escaped), "\\x%02X", c);
      shown += escaped;
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

}  // namespace

CSoundPlayer::~CSoundPlayer() {
  if (m_Device) SDL_CloseAudioDevice(m_Device);
  if (m_AudioStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool CSoundPlayer::OpenDevice(const SDL_AudioSpec &wanted) {
  if (m_Device) return true;
  if (m_AudioFailed) return false;
  if (!m_AudioStarted) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      Warning("Sound: no audio (%s)\n", SDL_GetError());
      m_AudioFailed = true;
      return false;
    }
    m_AudioStarted = true;
  }
  m_Device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &m_DeviceFormat, 0);
  if (!m_Device) {
    Warning("Sound: cannot open an audio device (%s)\n", SDL_GetError());
    m_AudioFailed = true;
    return false;
  }
  return true;
}

bool CSoundPlayer::Play(const char *fileName) {
  std::string name = fileName ? fileName : "";
  std::vector<unsigned char> bytes;
  if (!ReadFile(m_FileSystem, name.c_str(), bytes)) {
    Warning("Sound: cannot read '%s'\n", name.c_str());
    return false;
  }
  SDL_AudioSpec format;
  Uint8 *samples = nullptr;
  Uint32 length = 0;
  SDL_RWops *stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (!stream || !SDL_LoadWAV_RW(stream, 1, &format, &samples, &length)) {
    Warning("Sound: '%s' is not a WAV file (%s)\n", name.c_str(), SDL_GetError());
    return false;
  }
  m_LastPlayed = name;
  ++m_PlayCount;
  // One line per sound, whatever the audio device does with it (tests watch for the alerts).
  Msg("kgui-host: sound %s\n", Printable(name).c_str());
  bool played = OpenDevice(format);
  if (played) {
    SDL_AudioCVT convert;
    int needed = SDL_BuildAudioCVT(&convert, format.format, format.channels, format.freq, m_DeviceFormat.format,
                                   m_DeviceFormat.channels, m_DeviceFormat.freq);
    std::vector<Uint8> converted;
    const Uint8 *data = samples;
    Uint32 size = length;
    if (needed > 0) {
      converted.resize(static_cast<size_t>(length) * convert.len_mult);
      memcpy(converted.data(), samples, length);
      convert.buf = converted.data();
      convert.len = static_cast<int>(length);
      played = SDL_ConvertAudio(&convert) == 0;
      data = converted.data();
      size = static_cast<Uint32>(convert.len_cvt);
    }
    if (played) {
      SDL_ClearQueuedAudio(m_Device);
      played = SDL_QueueAudio(m_Device, data, size) == 0;
      SDL_PauseAudioDevice(m_Device, 0);
    }
  }
  SDL_FreeWAV(samples);
  return played;
}

}  // namespace kguihost
