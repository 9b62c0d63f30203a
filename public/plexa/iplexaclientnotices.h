// What the client services stand-in has to tell the user and cannot show itself, having no window:
// the browser asks for it when its window opens. Optional: services without it have nothing to tell.
// Asked from the services module's CreateInterface by PLEXACLIENTNOTICES_INTERFACE_VERSION.
#pragma once

#define PLEXACLIENTNOTICES_INTERFACE_VERSION "PlexaClientNotices001"

class IPlexaClientNotices {
 public:
  // The file name the user's favourites and history were kept as, beside the new file, when the
  // stored file could not be used; given once, "" afterwards and when nothing happened.
  virtual const char *TakeDamagedStoreCopy() = 0;

 protected:
  ~IPlexaClientNotices() = default;
};
