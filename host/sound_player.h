// Plays WAV files of the host file system through SDL2 audio.
#pragma once

#include <string>

#include <SDL_audio.h>

class IFileSystem;

namespace kguihost {

class CSoundPlayer {
 public:
  explicit CSoundPlayer(IFileSystem &fileSystem) : m_FileSystem(fileSystem) {}
  ~CSoundPlayer();
  CSoundPlayer(const CSoundPlayer &) = delete;
  CSoundPlayer &operator=(const CSoundPlayer &) = delete;

  // Starts the sound, replacing one still playing, and logs "kgui-host: sound <name>" once the file
  // is read (also when no audio device plays it). False (with a warning) when the file cannot be
  // read or no audio device can be opened.
  bool Play(const char *fileName);
  const std::string &LastPlayed() const { return m_LastPlayed; }
  int PlayCount() const { return m_PlayCount; }

 private:
  bool OpenDevice(const SDL_AudioSpec &wanted);

  IFileSystem &m_FileSystem;
  SDL_AudioDeviceID m_Device = 0;
  SDL_AudioSpec m_DeviceFormat{};
  bool m_AudioStarted = false;
  bool m_AudioFailed = false;
  std::string m_LastPlayed;
  int m_PlayCount = 0;
};

}  // namespace kguihost
